-- Elisa's (22.12) tables of songs, as its database upgrades leave them.
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
