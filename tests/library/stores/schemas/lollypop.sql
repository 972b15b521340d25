-- lollypop.db as Lollypop 1.4.37 makes it (user_version 48).
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
