// library/playlists/: the playlist formats, one small parser per format, bytes in, entries out.
// Uses nothing else of the library, and never the file system.
#pragma once

#include <QByteArray>
#include <QHash>
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

// What a playlist states of an entry stands in for what the song's file cannot give (a file
// from another machine, a stream); texts are empty and lengths negative where it states nothing.
struct PlaylistEntry {
    QString location;
    QString title; // the title the playlist gives, empty when none
    QString artist;
    QString album;
    QString genre;
    QString date;       // as written: a year, or a whole date
    double length = -1; // seconds
    // "Artist - Title" was one title, split: the two stand in only together, for a file that
    // gives neither.
    bool titleSplit = false;
    // The entry names another playlist (ASX's <entryref>); an entry whose file has a playlist's
    // extension is one too.
    bool playlist = false;
    // A track of a CUE sheet: where it starts in its audio file (seconds); negative otherwise.
    double start = -1;
    // A track of a CUE sheet that lasts to the end of its audio file (the last one there).
    bool toFileEnd = false;

    static PlaylistEntry at(QString location, QString title = {}) {
        PlaylistEntry entry;
        entry.location = std::move(location);
        entry.title = std::move(title);
        return entry;
    }
};

struct ParsedPlaylist {
    QString title;
    std::vector<PlaylistEntry> entries;
    QStringList notes; // what of the file was left out or ignored, and why
    // Why the file is no list of songs at all (an HLS stream's segments): it is left out, and
    // this said; empty for a playlist.
    QString leftOut;
};

using PlaylistParser = ParsedPlaylist (*)(const QByteArray& bytes, const QString& baseFolder);

ParsedPlaylist parseM3u(const QByteArray& bytes, const QString& baseFolder);
ParsedPlaylist parsePls(const QByteArray& bytes, const QString& baseFolder);
ParsedPlaylist parseXspf(const QByteArray& bytes, const QString& baseFolder);
// WPL, and the ZPL files that are SMIL documents.
ParsedPlaylist parseSmil(const QByteArray& bytes, const QString& baseFolder);
// ZPL files made of "NM=", "TT=" ... "BR!" lines.
ParsedPlaylist parseZplTags(const QByteArray& bytes, const QString& baseFolder);
// Windows Media metafiles (ASX, WAX, WVX), XML or their INI form ("[Reference]", "Ref1=").
ParsedPlaylist parseAsx(const QByteArray& bytes, const QString& baseFolder);
// Winamp 3's B4S.
ParsedPlaylist parseB4s(const QByteArray& bytes, const QString& baseFolder);
// RealAudio's RAM: one URL a line.
ParsedPlaylist parseRam(const QByteArray& bytes, const QString& baseFolder);
// QuickTime links: "RTSPtext" and its URLs, or a QTL's XML <embed src>.
ParsedPlaylist parseQuickTime(const QByteArray& bytes, const QString& baseFolder);
// CUE sheets: one entry for each audio track, located at its FILE and starting at its INDEX 01.
ParsedPlaylist parseCue(const QByteArray& bytes, const QString& baseFolder);
// A CUE sheet kept inside the audio file at `audioFile` (FLAC's CUESHEET tag): its tracks are all
// in that file, whatever its FILE lines say.
ParsedPlaylist parseEmbeddedCue(const QString& sheet, const QString& audioFile);

// The parser for a file: by its extension, then by sniffing its first bytes (for extensions
// that more than one format uses, and for unknown ones). Null when neither tells.
PlaylistParser choosePlaylistParser(const QString& fileName, const QByteArray& bytes);
// True for the extensions looked for when a folder's playlists are collected.
bool hasPlaylistExtension(const QString& fileName);
// Those extensions, as the user knows the types: "M3U, M3U8, PLS, XSPF, WPL, ZPL, ...".
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
// A text the playlist states (a title, an artist), trimmed; U+0080-U+009F, which are control
// characters, are taken as the Windows-1252 characters a Windows program wrote there and a
// reader took for Latin-1 ("Don\u0092t" is "Don\u2019t").
QString statedText(QStringView text);
// Splits "Artist - Title" (a Winamp display title) at its first " - " into `entry`; a title
// without one is the title alone.
void setDisplayTitle(PlaylistEntry& entry, QStringView text);
// A length stated as a number of `unit`s, in seconds; negative when it is no number above 0 (0 and
// -1 say "unknown" in most formats).
double statedLength(QStringView text, double unit = 1);
// "[[h:]m:]s[.fraction]" ("3:23", "00:03:23.5", "203") in seconds; negative when it is none.
double clockSeconds(QStringView text);

// The tags of a loosely written XML file (ASX, B4S, QTL, as real ones are: names in any case,
// attributes unquoted, a bare "&", unknown entities, elements never closed), in order.
struct LooseTag {
    QString name;                       // in lower case
    bool end = false;                   // "</name>"
    bool closed = false;                // "<name/>"
    QHash<QString, QString> attributes; // by name in lower case; references decoded
    QString textBefore;                 // since the tag before; references decoded
};
std::vector<LooseTag> looseXmlTags(QStringView text);

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
