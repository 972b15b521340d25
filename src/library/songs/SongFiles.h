// library/songs/: a song file's tags and length (SongFile), ratings (Rating), the tag index
// (TagIndex) and the batch reading of songs (this file). Uses disk/ and the library interface.
#pragma once

#include "library/MediaLibrary.h"
#include "library/disk/RegularFile.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The songs in audio files, by path, for every backend whose songs are files. A song is served
// from memory or from the tag index (TagIndex.h) while its file's stamp (size, modification time,
// inode) is unchanged; else its file is read with TagLib, and kept in both. A listing's songs go
// one way on every core: while some of its entries are still being found, those found are sought
// in the index and the rest read from their files.
namespace corvane::library {

class ReadProgress;
class TagIndex;

class SongFiles {
public:
    // With `options.tagIndex`, songs are kept in and taken from that index; `options.progress`
    // hears how far a batch's reading is and may stop it; `options.readingThreads` reads (0: one
    // thread per core).
    explicit SongFiles(const LibraryOptions& options = {});
    ~SongFiles();
    SongFiles(const SongFiles&) = delete;
    SongFiles& operator=(const SongFiles&) = delete;

    struct Wanted {
        QString path;     // absolute
        FileStamp stamp;  // as the listing found the file (its one look at it)
        QString fallback; // the song's name when the path is no readable regular file
    };
    // The songs at the paths of `wanted`, in its order, as song() gives them; the files at `gone`
    // (there no longer) are forgotten. With `stop`, a read ahead: its files are read at low
    // priority, and it ends as soon as `stop` says so. Songs left unread (stopped, or the
    // progress's stop()) fail saying "not read".
    std::vector<std::shared_ptr<const MediaItem>> songs(const std::vector<Wanted>& wanted,
                                                        const QStringList& gone = {},
                                                        const std::function<bool()>& stop = {});

    // What a listing's entry is, as found: a file to read, a song that needs none (a stream's),
    // or left for the calling thread to find.
    struct Entry {
        enum Kind { File, Song, Later };
        Kind kind = Later;
        Wanted wanted;                         // File
        std::shared_ptr<const MediaItem> song; // Song
        static Entry ofFile(Wanted wanted) { return {File, std::move(wanted), nullptr}; }
        static Entry ofSong(std::shared_ptr<const MediaItem> song) {
            return {Song, {}, std::move(song)};
        }
    };
    using Finder = std::function<Entry(std::size_t entry)>;
    // Hears on the calling thread, as songs land, how many of the first entries are done: their
    // songs in `songs` are final, and the listener may change them. The last time, all are.
    using Landed =
        std::function<void(std::size_t done, std::vector<std::shared_ptr<const MediaItem>>& songs)>;
    // The same, streamed: the `count` entries are found (`find`, on any thread, one stretch at a
    // time) while the songs of those found are read, on every core. An entry `find` leaves for
    // later is found by `findHere` on the calling thread, which never answers Later and may add
    // to `gone` (read once all entries are found). `landed` may throw: the reading stops, and
    // its exception leaves this call.
    std::vector<std::shared_ptr<const MediaItem>>
    songs(std::size_t count, const Finder& find, const Finder& findHere, const QStringList& gone,
          const std::function<bool()>& stop = {}, const Landed& landed = {});

    // The song in the file at `path` (absolute): named by its title tag, else by its file name.
    // When `path` is no readable regular file, a song named `fallback` whose attributes fail,
    // saying why ("/music/x.mp3: a folder, not a file"); null when nothing is at `path`. A file
    // is looked at once per listing (newListing() starts the next).
    std::shared_ptr<const MediaItem> song(const QString& path, const QString& fallback);
    void newListing();

    // True when `song` is one read from a file whose tags gave its title.
    static bool givesTitle(const MediaItem& song);

    // How many times an audio file was opened and read so far.
    long long reads() const { return reads_; }
    // What the user should know of the tag index since the last call: one line each.
    QStringList takeNotes();

    class Song;

private:
    struct Cached {
        FileStamp stamp;
        unsigned listing = 0; // the listing that last looked at the file
        std::shared_ptr<const Song> song;
    };
    QHash<QString, Cached> songs_; // files read, with their stamps
    unsigned listing_ = 1;
    long long reads_ = 0;
    std::unique_ptr<TagIndex> index_;
    std::shared_ptr<ReadProgress> progress_;
    std::shared_ptr<StoredRatings> ratings_;
    int threads_ = 0;
};

// A song without a file to read: named `name`; its attributes fail saying "PATH: WHY", or are
// empty when `why` is empty (a stream).
std::shared_ptr<const MediaItem> songWithoutFile(QString name, QString path = {}, QString why = {});

} // namespace corvane::library
