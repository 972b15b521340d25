// library/playlists/: the playlist formats, one small parser per format, bytes in, entries out.
// Uses nothing else of the library, and never the file system.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// Playlist files as the players leave them on disk. Each format has one small parser that takes
// the file's bytes and the folder the file lies in, and gives the playlist's own title (empty when
// the file names none) and its entries in order. A parser never touches the file system: an
// entry's location is either an absolute path with forward slashes (a Windows path keeps its
// drive letter, "C:/Music/a.mp3", or its UNC form, "//server/share/a.mp3"), or a URL
// ("http://..."), which stays a stream. Finding the file on disk is PathResolver's work.
namespace corvane::library {

struct PlaylistEntry {
    QString location;
    QString title; // the title the playlist gives, empty when none
};

struct ParsedPlaylist {
    QString title;
    std::vector<PlaylistEntry> entries;
    QStringList notes; // what of the file was left out or ignored, and why
};

using PlaylistParser = ParsedPlaylist (*)(const QByteArray& bytes, const QString& baseFolder);

ParsedPlaylist parseM3u(const QByteArray& bytes, const QString& baseFolder);
ParsedPlaylist parsePls(const QByteArray& bytes, const QString& baseFolder);
ParsedPlaylist parseXspf(const QByteArray& bytes, const QString& baseFolder);
// WPL, and the ZPL files that are SMIL documents.
ParsedPlaylist parseSmil(const QByteArray& bytes, const QString& baseFolder);
// ZPL files made of "NM=", "TT=" ... "BR!" lines.
ParsedPlaylist parseZplTags(const QByteArray& bytes, const QString& baseFolder);

// The parser for a file: by its extension, then by sniffing its first bytes (for extensions
// that more than one format uses, and for unknown ones). Null when neither tells.
PlaylistParser choosePlaylistParser(const QString& fileName, const QByteArray& bytes);
// True for the extensions looked for when a folder's playlists are collected.
bool hasPlaylistExtension(const QString& fileName);
// Those extensions, as the user knows the types: "M3U, M3U8, PLS, XSPF, WPL, ZPL".
QString playlistFileTypes();

// Larger playlist files are read only up to this size...
inline constexpr qsizetype MaxPlaylistBytes = 32 * 1024 * 1024;
// ...and then up to the end of the last whole line there, so that no entry is a cut-off path
// (a byte order mark or the pattern of UTF-16 tells where its lines end).
QByteArray wholeLines(QByteArray bytes);

// --- Helpers shared by the parsers ---

// Text of a playlist file: a byte order mark (UTF-8, UTF-16) decides and is dropped; else UTF-8
// when the bytes are valid UTF-8, else Windows-1252.
QString decodePlaylistText(const QByteArray& bytes);
// Bytes read as Windows-1252, as the playlists and file names of Windows programs are written.
QString decodeWindows1252(QByteArrayView bytes);
// The lines of a text, split on LF, CR LF or CR; lines longer than a sane path or title are
// dropped rather than kept (binary junk, a runaway line).
std::vector<QStringView> playlistLines(QStringView text);
inline constexpr qsizetype MaxLineLength = 16 * 1024;
// An entry as written in a playlist (a relative or absolute path with either slash, a file:
// URL, a stream URL) made into a location as described above; empty when it names nothing.
QString entryLocation(QString raw, const QString& baseFolder);
// For an XML playlist that the reader gave up on: the first capture of `pattern` at each of its
// matches in the text, with XML's entities and character references decoded.
QStringList salvageXmlValues(const QByteArray& bytes, const QString& pattern);
// True when a path begins with a Windows drive letter and its colon ("C:").
bool hasDriveLetter(QStringView path);
// True when a location is a URL other than a local file (a stream).
bool isStreamLocation(const QString& location);
// The last part of a location: a path's file name, a stream's last path segment; the location
// itself where that is empty.
QString locationName(const QString& location);

} // namespace corvane::library
