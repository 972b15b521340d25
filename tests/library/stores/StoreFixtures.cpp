#include "StoreFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace corvane::storefixtures {

// As data/schema/schema.sql of Strawberry declares them (schema version 20).
const char* const StrawberryTables = R"(
CREATE TABLE schema_version (version INTEGER NOT NULL);
INSERT INTO schema_version (version) VALUES (20);
CREATE TABLE songs (
  title TEXT, album TEXT, artist TEXT, albumartist TEXT,
  track INTEGER NOT NULL DEFAULT -1, disc INTEGER NOT NULL DEFAULT -1,
  year INTEGER NOT NULL DEFAULT -1, originalyear INTEGER NOT NULL DEFAULT -1,
  genre TEXT, compilation INTEGER NOT NULL DEFAULT 0, composer TEXT, performer TEXT,
  grouping TEXT, comment TEXT, lyrics TEXT,
  artist_id TEXT, album_id TEXT, song_id TEXT,
  beginning INTEGER NOT NULL DEFAULT 0, length INTEGER NOT NULL DEFAULT 0,
  bitrate INTEGER NOT NULL DEFAULT -1, samplerate INTEGER NOT NULL DEFAULT -1,
  bitdepth INTEGER NOT NULL DEFAULT -1,
  source INTEGER NOT NULL DEFAULT 0, directory_id INTEGER NOT NULL DEFAULT -1,
  url TEXT NOT NULL, filetype INTEGER NOT NULL DEFAULT 0, filesize INTEGER NOT NULL DEFAULT -1,
  mtime INTEGER NOT NULL DEFAULT -1, ctime INTEGER NOT NULL DEFAULT -1,
  unavailable INTEGER DEFAULT 0, fingerprint TEXT,
  playcount INTEGER NOT NULL DEFAULT 0, skipcount INTEGER NOT NULL DEFAULT 0,
  lastplayed INTEGER NOT NULL DEFAULT -1, lastseen INTEGER NOT NULL DEFAULT -1,
  compilation_detected INTEGER DEFAULT 0, compilation_on INTEGER NOT NULL DEFAULT 0,
  compilation_off INTEGER NOT NULL DEFAULT 0, compilation_effective INTEGER NOT NULL DEFAULT 0,
  art_embedded INTEGER DEFAULT 0, art_automatic TEXT, art_manual TEXT,
  art_unset INTEGER DEFAULT 0,
  effective_albumartist TEXT, effective_originalyear INTEGER NOT NULL DEFAULT 0,
  cue_path TEXT, rating INTEGER DEFAULT -1,
  acoustid_id TEXT, acoustid_fingerprint TEXT,
  musicbrainz_album_artist_id TEXT, musicbrainz_artist_id TEXT,
  musicbrainz_original_artist_id TEXT, musicbrainz_album_id TEXT,
  musicbrainz_original_album_id TEXT, musicbrainz_recording_id TEXT,
  musicbrainz_track_id TEXT, musicbrainz_disc_id TEXT, musicbrainz_release_group_id TEXT,
  musicbrainz_work_id TEXT,
  ebur128_integrated_loudness_lufs REAL, ebur128_loudness_range_lu REAL
);
CREATE TABLE playlists (
  name TEXT NOT NULL, last_played INTEGER NOT NULL DEFAULT -1,
  ui_order INTEGER NOT NULL DEFAULT 0, special_type TEXT, ui_path TEXT,
  is_favorite INTEGER NOT NULL DEFAULT 0,
  dynamic_playlist_type INTEGER, dynamic_playlist_backend TEXT, dynamic_playlist_data BLOB
);
CREATE TABLE playlist_items (
  playlist INTEGER NOT NULL, type INTEGER NOT NULL DEFAULT 0, collection_id INTEGER,
  playlist_url TEXT,
  title TEXT, album TEXT, artist TEXT, albumartist TEXT, track INTEGER, disc INTEGER,
  year INTEGER, originalyear INTEGER, genre TEXT, compilation INTEGER DEFAULT 0,
  composer TEXT, performer TEXT, grouping TEXT, comment TEXT, lyrics TEXT,
  artist_id TEXT, album_id TEXT, song_id TEXT,
  beginning INTEGER, length INTEGER, bitrate INTEGER, samplerate INTEGER, bitdepth INTEGER,
  source INTEGER, directory_id INTEGER, url TEXT NOT NULL, filetype INTEGER,
  filesize INTEGER, mtime INTEGER, ctime INTEGER, unavailable INTEGER DEFAULT 0,
  fingerprint TEXT, playcount INTEGER DEFAULT 0, skipcount INTEGER DEFAULT 0,
  lastplayed INTEGER DEFAULT -1, lastseen INTEGER DEFAULT -1,
  compilation_detected INTEGER DEFAULT 0, compilation_on INTEGER DEFAULT 0,
  compilation_off INTEGER DEFAULT 0, compilation_effective INTEGER DEFAULT 0,
  art_embedded INTEGER DEFAULT 0, art_automatic TEXT, art_manual TEXT,
  art_unset INTEGER DEFAULT 0, effective_albumartist TEXT, effective_originalyear INTEGER,
  cue_path TEXT, rating INTEGER DEFAULT -1
);
CREATE INDEX idx_url ON songs (url);
)";

// Clementine's schema.sql, then the columns its numbered upgrades add (songs as the tables its
// schema keeps "identical to the songs table"; playlist_items from version 7, 26 and 29).
const char* const ClementineTables = R"(
CREATE TABLE schema_version (version INTEGER NOT NULL);
INSERT INTO schema_version (version) VALUES (54);
CREATE TABLE songs (
  title TEXT, album TEXT, artist TEXT, albumartist TEXT, composer TEXT,
  track INTEGER, disc INTEGER, bpm REAL, year INTEGER, genre TEXT, comment TEXT,
  compilation INTEGER, length INTEGER, bitrate INTEGER, samplerate INTEGER,
  directory INTEGER NOT NULL, filename TEXT NOT NULL, mtime INTEGER NOT NULL,
  ctime INTEGER NOT NULL, filesize INTEGER NOT NULL,
  sampler INTEGER NOT NULL DEFAULT 0, art_automatic TEXT, art_manual TEXT,
  filetype INTEGER NOT NULL DEFAULT 0, playcount INTEGER NOT NULL DEFAULT 0,
  lastplayed INTEGER, rating INTEGER,
  forced_compilation_on INTEGER NOT NULL DEFAULT 0,
  forced_compilation_off INTEGER NOT NULL DEFAULT 0,
  effective_compilation NOT NULL DEFAULT 0, skipcount INTEGER NOT NULL DEFAULT 0,
  score INTEGER NOT NULL DEFAULT 0, beginning INTEGER NOT NULL DEFAULT 0, cue_path TEXT,
  unavailable INTEGER DEFAULT 0, effective_albumartist TEXT, etag TEXT,
  performer TEXT, grouping TEXT
);
CREATE TABLE playlists (
  name TEXT NOT NULL, last_played INTEGER NOT NULL DEFAULT -1,
  ui_order INTEGER NOT NULL DEFAULT 0, dynamic_playlist_type TEXT,
  dynamic_playlist_data BLOB, dynamic_playlist_backend TEXT DEFAULT "songs",
  special_type TEXT, ui_path TEXT, is_favorite INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE playlist_items (
  playlist INTEGER NOT NULL, type TEXT NOT NULL, library_id INTEGER, url TEXT,
  title TEXT, artist TEXT, album TEXT, length INTEGER, radio_service TEXT,
  beginning INTEGER, cue_path TEXT,
  albumartist TEXT, composer TEXT, track INTEGER, disc INTEGER, bpm REAL, year INTEGER,
  genre TEXT, comment TEXT, compilation INTEGER, bitrate INTEGER, samplerate INTEGER,
  directory INTEGER, filename TEXT, mtime INTEGER, ctime INTEGER, filesize INTEGER,
  sampler INTEGER NOT NULL DEFAULT 0, art_automatic TEXT, art_manual TEXT,
  filetype INTEGER NOT NULL DEFAULT 0, playcount INTEGER NOT NULL DEFAULT 0,
  lastplayed INTEGER, rating INTEGER,
  forced_compilation_on INTEGER NOT NULL DEFAULT 0,
  forced_compilation_off INTEGER NOT NULL DEFAULT 0,
  effective_compilation NOT NULL DEFAULT 0, skipcount INTEGER NOT NULL DEFAULT 0,
  score INTEGER NOT NULL DEFAULT 0
);
)";

// --- Lollypop, Kodi and Elisa ---

// lollypop.db as Lollypop 1.4.37 makes it (user_version 48).
const char* const LollypopTables = R"(
CREATE TABLE albums (id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  mb_album_id TEXT,
  lp_album_id TEXT,
  no_album_artist BOOLEAN NOT NULL,
  year INT,
  timestamp INT,
  uri TEXT NOT NULL,
  popularity INT NOT NULL,
  rate INT NOT NULL,
  loved INT NOT NULL,
  mtime INT NOT NULL,
  storage_type INT NOT NULL,
  synced INT NOT NULL);
CREATE TABLE artists (id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  sortname TEXT NOT NULL,
  mb_artist_id TEXT);
CREATE TABLE featuring (
  artist_id INT NOT NULL,
  album_id INT NOT NULL);
CREATE TABLE genres (id INTEGER PRIMARY KEY,
  name TEXT NOT NULL);
CREATE TABLE album_genres (
  album_id INT NOT NULL,
  genre_id INT NOT NULL);
CREATE TABLE album_artists (
  album_id INT NOT NULL,
  artist_id INT NOT NULL);
CREATE TABLE albums_timed_popularity (
  album_id INT NOT NULL,
  mtime INT NOT NULL,
  popularity INT NOT NULL);
CREATE TABLE tracks (id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  uri TEXT NOT NULL,
  duration INT,
  tracknumber INT,
  discnumber INT,
  discname TEXT,
  album_id INT NOT NULL,
  year INT,
  timestamp INT,
  popularity INT NOT NULL,
  loved INT NOT NULL DEFAULT 0,
  rate INT NOT NULL,
  ltime INT NOT NULL,
  mtime INT NOT NULL,
  storage_type INT NOT NULL,
  mb_track_id TEXT,
  lp_track_id TEXT,
  bpm DOUBLE
  );
CREATE TABLE track_artists (
  track_id INT NOT NULL,
  artist_id INT NOT NULL);
CREATE TABLE track_genres (
  track_id INT NOT NULL,
  genre_id INT NOT NULL);
CREATE INDEX idx_aa ON album_artists(
  album_id);
CREATE INDEX idx_ta ON track_artists(
  track_id);
CREATE INDEX idx_ag ON album_genres(
  album_id);
CREATE INDEX idx_tg ON track_genres(
  track_id);
PRAGMA user_version = 48;
)";

// playlists.db as Lollypop 1.4.37 makes it (user_version 5).
const char* const LollypopPlaylistTables = R"(
CREATE TABLE playlists (
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, synced INT NOT NULL DEFAULT 0,
  smart_enabled INT NOT NULL DEFAULT 0, smart_sql TEXT, uri TEXT, mtime BIGINT NOT NULL);
CREATE TABLE tracks (playlist_id INT NOT NULL, uri TEXT NOT NULL);
PRAGMA user_version = 5;
)";

// The tables of MyMusic82.db (Kodi 20) that hold songs, as Kodi makes them.
const char* const KodiMusicTables = R"(
CREATE TABLE version (idVersion integer, iCompressCount integer);
CREATE TABLE artist ( idArtist integer primary key, strArtist varchar(256), strMusicBrainzArtistID
text, strSortName text, strType text, strGender text, strDisambiguation text, strBorn text,
strFormed text, strGenres text, strMoods text, strStyles text, strInstruments text, strBiography
text, strDied text, strDisbanded text, strYearsActive text, strImage text, lastScraped varchar(20)
default NULL, bScrapedMBID INTEGER NOT NULL DEFAULT 0, idInfoSetting INTEGER NOT NULL DEFAULT 0,
dateAdded TEXT, dateNew TEXT, dateModified TEXT);
CREATE TABLE album (idAlbum integer primary key, strAlbum varchar(256), strMusicBrainzAlbumID
text, strReleaseGroupMBID text, strArtistDisp text, strArtistSort text, strGenres text,
strReleaseDate TEXT, strOrigReleaseDate TEXT, bBoxedSet INTEGER NOT NULL DEFAULT 0, bCompilation
integer not null default '0', strMoods text, strStyles text, strThemes text, strReview text,
strImage text, strLabel text, strType text, strReleaseStatus TEXT, fRating FLOAT NOT NULL DEFAULT
0, iVotes INTEGER NOT NULL DEFAULT 0, iUserrating INTEGER NOT NULL DEFAULT 0, lastScraped
varchar(20) default NULL, bScrapedMBID INTEGER NOT NULL DEFAULT 0, strReleaseType text, iDiscTotal
INTEGER NOT NULL DEFAULT 0, iAlbumDuration INTEGER NOT NULL DEFAULT 0, idInfoSetting INTEGER NOT
NULL DEFAULT 0, dateAdded TEXT, dateNew TEXT, dateModified TEXT);
CREATE TABLE genre (idGenre integer primary key, strGenre varchar(256));
CREATE TABLE path (idPath integer primary key, strPath varchar(512), strHash text);
CREATE TABLE song (idSong integer primary key, idAlbum integer, idPath integer, strArtistDisp
text, strArtistSort text, strGenres text, strTitle varchar(512), iTrack integer, iDuration
integer, strReleaseDate TEXT, strOrigReleaseDate TEXT, strDiscSubtitle text, strFileName text,
strMusicBrainzTrackID text, iTimesPlayed integer, iStartOffset integer, iEndOffset integer,
lastplayed varchar(20) default NULL, rating FLOAT NOT NULL DEFAULT 0, votes INTEGER NOT NULL
DEFAULT 0, userrating INTEGER NOT NULL DEFAULT 0, comment text, mood text, iBPM INTEGER NOT NULL
DEFAULT 0, iBitRate INTEGER NOT NULL DEFAULT 0, iSampleRate INTEGER NOT NULL DEFAULT 0, iChannels
INTEGER NOT NULL DEFAULT 0, strReplayGain text, dateAdded TEXT, dateNew TEXT, dateModified TEXT);
CREATE TABLE song_artist (idArtist integer, idSong integer, idRole integer, iOrder integer,
strArtist text);
CREATE TABLE song_genre (idGenre integer, idSong integer, iOrder integer);
INSERT INTO version VALUES (82, 0);
)";

// Elisa's (22.12) tables of songs, as its database upgrades leave them.
const char* const ElisaTables = R"(
CREATE TABLE `Tracks` (`ID` INTEGER PRIMARY KEY AUTOINCREMENT, `FileName` VARCHAR(255) NOT NULL,
`Priority` INTEGER NOT NULL, `Title` VARCHAR(85) NOT NULL, `ArtistName` VARCHAR(55), `AlbumTitle`
VARCHAR(55), `AlbumArtistName` VARCHAR(55), `AlbumPath` VARCHAR(255), `TrackNumber` INTEGER,
`DiscNumber` INTEGER, `Duration` INTEGER NOT NULL, `Rating` INTEGER NOT NULL DEFAULT 0, `Genre`
VARCHAR(55), `Composer` VARCHAR(55), `Lyricist` VARCHAR(55), `Comment` VARCHAR(255), `Year`
INTEGER, `Channels` INTEGER, `BitRate` INTEGER, `SampleRate` INTEGER, `HasEmbeddedCover` BOOLEAN
NOT NULL, UNIQUE (`FileName`), UNIQUE (`Priority`, `Title`, `ArtistName`, `AlbumTitle`,
`AlbumArtistName`, `AlbumPath`, `TrackNumber`, `DiscNumber`), CONSTRAINT fk_fileName FOREIGN KEY
(`FileName`) REFERENCES `TracksData`(`FileName`) ON DELETE CASCADE, CONSTRAINT fk_artist FOREIGN
KEY (`ArtistName`) REFERENCES `Artists`(`Name`), CONSTRAINT fk_tracks_composer FOREIGN KEY
(`Composer`) REFERENCES `Composer`(`Name`), CONSTRAINT fk_tracks_lyricist FOREIGN KEY (`Lyricist`)
REFERENCES `Lyricist`(`Name`), CONSTRAINT fk_tracks_genre FOREIGN KEY (`Genre`) REFERENCES
`Genre`(`Name`), CONSTRAINT fk_tracks_album FOREIGN KEY (`AlbumTitle`, `AlbumArtistName`,
`AlbumPath`)REFERENCES `Albums`(`Title`, `ArtistName`, `AlbumPath`));
CREATE TABLE `TracksData` (`FileName` VARCHAR(255) NOT NULL, `FileModifiedTime` DATETIME NOT NULL,
`ImportDate` INTEGER NOT NULL, `FirstPlayDate` INTEGER, `LastPlayDate` INTEGER, `PlayCounter`
INTEGER NOT NULL, PRIMARY KEY (`FileName`));
)";

QString execSql(const QString& path, const QString& sql, QString* value) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        const auto keep = [](void* to, int, char** columns, char**) {
            *static_cast<QString*>(to) = QString::fromUtf8(columns[0]);
            return 0;
        };
        char* message = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), value ? +keep : nullptr, value, &message) !=
            SQLITE_OK) {
            error = QString::fromUtf8(message);
        }
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return error;
}

Connection::Connection(const QString& path) {
    sqlite3_open(QFile::encodeName(path).constData(), &db_);
}

Connection::~Connection() {
    sqlite3_close(db_);
}

int Connection::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString sqlText(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace corvane::storefixtures
