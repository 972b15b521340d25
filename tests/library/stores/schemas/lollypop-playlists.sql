-- playlists.db as Lollypop 1.4.37 makes it (user_version 5).
CREATE TABLE playlists (
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, synced INT NOT NULL DEFAULT 0,
  smart_enabled INT NOT NULL DEFAULT 0, smart_sql TEXT, uri TEXT, mtime BIGINT NOT NULL);
CREATE TABLE tracks (playlist_id INT NOT NULL, uri TEXT NOT NULL);
PRAGMA user_version = 5;
