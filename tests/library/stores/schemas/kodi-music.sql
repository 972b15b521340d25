-- The tables of MyMusic82.db (Kodi 20) that hold songs, as Kodi makes them.
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
