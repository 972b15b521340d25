-- Clementine's schema.sql, then the columns its numbered upgrades add (songs as the tables its
-- schema keeps "identical to the songs table"; playlist_items from version 7, 26 and 29).
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
