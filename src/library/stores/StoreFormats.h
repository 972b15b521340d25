#pragma once

#include "library/stores/StoreLibrary.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct sqlite3;

// The players' stores as they leave them on disk. Each parser takes the store's bytes (or, for
// SQLite, a connection open read-only on it) and never touches the file system; it throws
// LibraryError saying why (without naming the store: its reader adds that) when the bytes are
// not what that player writes.
namespace corvane::library {

// A song the store knows by its location (and perhaps a title) only.
inline StoreSong untaggedSong(QString location, QString title = {}) {
    StoreSong song;
    song.location = std::move(location);
    song.title = std::move(title);
    return song;
}

// A playlist with its songs, as a store lists them.
struct StorePlaylist {
    QString name;
    std::vector<StoreSong> songs;
};

// --- Rhythmbox ---

// rhythmdb.xml: the songs (and radio stations) by their location as written there (a
// percent-encoded URI). Dates are GLib Julian day numbers, ratings 0-5 stars, and "Unknown"
// stands for no artist, album or genre.
QHash<QString, StoreSong> parseRhythmboxSongs(const QByteArray& bytes);
// Throws as parseRhythmboxSongs does for bytes that are not a Rhythmbox database, one of a newer
// version, or one cut short, without reading its entries.
void checkRhythmboxSongs(const QByteArray& bytes);
struct RhythmboxQuery;
// A static playlist: its songs by their locations as written (percent-encoded URIs); an
// automatic one: its query instead.
struct RhythmboxPlaylist {
    QString name;
    QStringList locations;
    std::shared_ptr<const RhythmboxQuery> query = nullptr;
};
// playlists.xml: the static and automatic playlists, in the player's order. The play queue is
// left out.
std::vector<RhythmboxPlaylist> parseRhythmboxPlaylists(const QByteArray& bytes);

// --- Audacious ---

// playlists/order: the numbers that name the playlist files, in the player's order.
QStringList parseAudaciousOrder(const QByteArray& bytes);
// One NUMBER.audpl: "title=" and per song "uri=" then its cached, percent-encoded fields
// ("length" in milliseconds). Audacious keeps no rating: songs come with rating -1.
StorePlaylist parseAudaciousPlaylist(const QByteArray& bytes);
// Its title alone, read from the lines before the first song.
QString audaciousPlaylistTitle(const QByteArray& bytes);

// --- cmus ---

// playlists/NAME: one absolute path (or a stream's URL) a line. Lines that name no file the
// system could open are left out, and counted in *dropped.
std::vector<StoreSong> parseCmusPlaylist(const QByteArray& bytes, int* dropped = nullptr);

// --- iTunes / Music library XML ---

struct ITunesPlaylist {
    QString name;
    QStringList trackIds;
};

// Throws as the parsers below do for bytes that are not a library's property list, one of an
// unknown version, or one cut short, without reading its tracks.
void checkITunesLibrary(const QByteArray& bytes);
// The tracks by Track ID ("Location" kept as the file has it). A "Rating Computed" is the
// album's: the song is unrated.
QHash<QString, StoreSong> parseITunesTracks(const QByteArray& bytes);
// The user's playlists, read without reading the tracks. Left out: the master library, the
// distinguished kinds (Music, Movies, Podcasts...) and folders.
std::vector<ITunesPlaylist> parseITunesPlaylists(const QByteArray& bytes);

// --- Quod Libet ---

// playlists/NAME.xspf: XSPF whose <location>s are plain paths as the file system has them (not
// URIs), with the song's cached title, artist, album and length; its name is its file's.
StorePlaylist parseQuodLibetXspf(const QByteArray& bytes);
// A playlist's name from its file's name: percent-decoded, without ".xspf". Older versions'
// files (no extension) hold one path a line, read as parseCmusPlaylist reads them.
QString quodLibetPlaylistName(const QString& fileName);

// --- Strawberry and Clementine (SQLite) ---

enum class SqliteLayout { Strawberry, Clementine };

struct SqlitePlaylistRow {
    qint64 id = 0;
    QString name;
};

// Which player's tables the database holds; throws when neither.
SqliteLayout sqliteLayoutOf(sqlite3* db);
// The playlists in the player's order: the open tabs by ui_order, then the closed ones kept.
std::vector<SqlitePlaylistRow> readSqlitePlaylists(sqlite3* db);
// A playlist's songs in order: an item that points at a library song takes that song; an item
// of its own (a stream, a file outside the library, a song gone from it) its own fields.
std::vector<StoreSong> readSqlitePlaylistSongs(sqlite3* db, SqliteLayout layout, qint64 playlist);

// --- Lollypop (SQLite: playlists.db, and lollypop.db beside it) ---

struct LollypopPlaylistRow {
    qint64 id = 0;
    QString name;
    bool smart = false;
    QString smartSql; // the smart playlist's query as the player's editor wrote it
};

// A criterion of a smart playlist, as the player's editor offers them: a track's rate (0-5),
// popularity, year or bpm compared with a number, or its album's genre, its album or one of its
// artists compared with a text ("=", "!=", or with "LIKE" a pattern, "%Folk%").
struct LollypopRule {
    QString field; // "rate", "popularity", "year", "bpm", "genre", "album", "artist"
    QString op;    // "=", "!=", ">", "<", "LIKE", "NOT LIKE"
    QString value; // as the query holds it, its quotes undone
};

struct LollypopSmart {
    std::vector<LollypopRule> rules;
    bool matchAll = true;
    QString order; // "random()", "albums.name", "artists.name", "tracks.year DESC", ...
    int limit = 0;
};

// The playlists in the player's order (by name as the language sorts it, whatever the case).
std::vector<LollypopPlaylistRow> readLollypopPlaylists(sqlite3* playlists);
// A static playlist's songs by their locations (percent-encoded file: URIs).
QStringList readLollypopPlaylistUris(sqlite3* playlists, qint64 id);
// The criteria of a smart playlist's query, read as the player's editor reads them back; throws
// saying which part it cannot read when the query is not one that editor writes. The query
// itself is never run.
LollypopSmart parseLollypopSmart(const QString& sql);
// The songs by their locations, with their album, artists, genres and rating (rate 1-5 stars).
QHash<QString, StoreSong> readLollypopSongs(sqlite3* music);
// The locations of the songs a smart playlist holds, in its order (random: the library's own
// order), as the player picks them: a skipped song (loved -1) or one not in the collection is
// not.
QStringList readLollypopSmartUris(sqlite3* music, const LollypopSmart& smart);

// --- Kodi (playlists/music: M3U files and XML smart playlists; Database/MyMusicNN.db) ---

// A rule of a smart playlist: the field, the operator, the values (any of them matches).
struct KodiRule {
    QString field;
    QString op;
    QStringList values;
};

struct KodiSmartPlaylist {
    QString type; // "songs" (also when the file names none); "albums", "artists" list no songs
    QString name; // empty: the file's name stands for it
    bool matchAll = true;
    std::vector<KodiRule> rules;
    QString order; // a field, empty: the database's order
    bool descending = false;
    int limit = 0; // 0: none
    // The first part the player writes that is not read here (a nested group of rules): the
    // playlist cannot be evaluated. Empty when none.
    QString unread;
};

// A smart playlist file (.xsp); throws when the bytes are not one.
KodiSmartPlaylist parseKodiSmartPlaylist(const QByteArray& bytes);

// A song as the music database holds it, with what the rules ask about.
struct KodiSong {
    StoreSong song; // its location a path; rating from userrating (0-10)
    QStringList artists;
    QStringList genres;
    int year = 0;
    double rating = 0; // the scraped rating, 0-10
    int userRating = 0;
};

// The songs, in the database's order.
std::vector<KodiSong> readKodiSongs(sqlite3* music);
// Why a rule cannot be evaluated here (a field or an operator the editor offers for songs but
// not read here); empty when it can.
QString kodiRuleUnread(const KodiRule& rule);
// The songs the playlist holds, in its order and within its limit. Its rules must be read here
// (see kodiRuleUnread and `unread`).
std::vector<StoreSong> kodiSmartSongs(const KodiSmartPlaylist& playlist,
                                      const std::vector<KodiSong>& songs);

// --- Elisa (SQLite: elisaDatabase.db) ---

// The ratings of the songs Elisa knows (0-10 points as 0-99), by their paths.
QHash<QString, int> readElisaRatings(sqlite3* db);

} // namespace corvane::library
