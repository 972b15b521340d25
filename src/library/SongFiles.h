#pragma once

#include "library/MediaLibrary.h"
#include "library/RegularFile.h"

#include <QHash>
#include <QString>
#include <memory>

// The songs in audio files, by path, for every backend whose songs are files: a file is read with
// TagLib when first asked for, and again only when it changed (size or modification time). A
// listing may ask for a song more than once; a file is looked at (one stat) at most once per
// listing, newListing() starting the next.
namespace corvane::library {

class SongFiles {
public:
    // The song in the file at `path` (absolute): named by its title tag, else by its file name.
    // When `path` is no readable regular file, a song named `fallback` whose attributes fail,
    // saying why ("/music/x.mp3: a folder, not a file"); null when nothing is at `path`.
    std::shared_ptr<const MediaItem> song(const QString& path, const QString& fallback);
    void newListing() { ++listing_; }
    // How many times an audio file was opened and read so far.
    long long reads() const { return reads_; }

    struct Song;

private:
    struct Cached {
        FileStamp stamp;
        unsigned listing = 0;             // the listing that last looked at the file
        std::shared_ptr<const Song> song; // null: the file could not be read, for `why`
        QString why;
    };
    QHash<QString, Cached> songs_;
    unsigned listing_ = 1;
    long long reads_ = 0;
};

// A song without a file to read: named `name`; its attributes fail saying "PATH: WHY", or are
// empty when `why` is empty (a stream).
std::shared_ptr<const MediaItem> songWithoutFile(QString name, QString path = {}, QString why = {});

} // namespace corvane::library
