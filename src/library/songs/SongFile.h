#pragma once

#include "library/disk/RegularFile.h"

#include <QString>

// One audio file's tags and length, read with TagLib.
namespace corvane::library {

struct SongInfo {
    QString title; // the title tag, empty when none
    QString artist;
    QString album;
    QString genre;
    QString year;     // four digits, the year of a full date
    QString fileType; // the lower-case extension
    double seconds = 0.0;
    bool readable = false; // false: the file is corrupt or of no known type; only fileType holds
    int rating = 0;        // "UserRating", 0-99
};

struct SongRead {
    bool regularFile = false; // false: nothing was opened
    FileStamp stamp;          // of the file as it was read
    SongInfo info;
    // Why the song could not be read ("no such file", "not an audio file or damaged"); empty
    // when it was.
    QString problem;
};

// Reads a song's file: only a regular file is opened (a FIFO or a device named by a playlist
// must never block the program), without waiting on it.
SongRead readSongFile(const QString& path);

// The CUE sheet kept in the tags of the audio file at `path` (a FLAC file's "CUESHEET"); empty
// when it keeps none. Opened as readSongFile opens files.
QString embeddedCueSheet(const QString& path);

} // namespace corvane::library
