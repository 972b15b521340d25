#include "library/songs/SongFiles.h"

#include "library/Reading.h"
#include "library/disk/FileName.h"
#include "library/songs/SongFile.h"
#include "library/songs/TagIndex.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <linux/ioprio.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace corvane::library {

// A song as read. Its length and rating are written when asked for (quickly): a listing of
// 100,000 songs is three allocations a song lighter. A file that cannot be read has no duration
// or rating; its file type is known from the name all the same.
class SongFiles::Song final : public MediaItem {
public:
    Song(SongInfo read, const QString& path, const QString& problem)
        : name_(read.title.isEmpty() ? shownName(QFileInfo(path).completeBaseName()) : read.title)
        , failure_(problem.isEmpty()
                       ? std::string()
                       : (shownName(path) + QStringLiteral(": ") + problem).toStdString())
        , texts_{{},
                 {},
                 std::move(read.artist),
                 std::move(read.genre),
                 std::move(read.year),
                 std::move(read.album),
                 std::move(read.fileType)}
        , seconds_(songLength(read.seconds))
        , rating_(read.rating)
        , readable_(read.readable)
        , titled_(!read.title.isEmpty()) {}

    QString name() const override { return name_; }
    bool titled() const { return titled_; }
    QString durationString() const override {
        failIfUnread();
        return readable_ && seconds_ >= 0 ? durationText(seconds_) : QString();
    }
    QString getItemInfo(const QString& attribute) const override {
        // A file that is no audio file still has the type its name gives.
        if (attribute != attribute::FileType) {
            failIfUnread();
        }
        if (attribute == attribute::Duration) {
            return readable_ && seconds_ >= 0 ? secondsText(seconds_) : QString();
        }
        if (attribute == attribute::UserRating) {
            return readable_ ? QString::number(rating_) : QString();
        }
        return texts_.get(attribute);
    }

private:
    void failIfUnread() const {
        if (!failure_.empty()) {
            throw LibraryError(failure_);
        }
    }

    QString name_; // the title tag, else the file's name
    // "PATH: why" when it is no audio file TagLib can read, made once; empty when it is.
    std::string failure_;
    ItemInfo texts_; // but the duration and rating
    double seconds_;
    int rating_;
    bool readable_;
    bool titled_; // the name is the title tag
};

namespace {

class SongWithoutFile final : public MediaItem {
public:
    SongWithoutFile(QString name, const QString& path, const QString& why)
        : name_(std::move(name))
        , failure_(why.isEmpty() ? std::string()
                                 : (shownName(path) + QStringLiteral(": ") + why).toStdString()) {}

    QString name() const override { return name_; }
    QString durationString() const override { return fail(); }
    QString getItemInfo(const QString&) const override { return fail(); }

private:
    QString fail() const {
        if (!failure_.empty()) {
            throw LibraryError(failure_);
        }
        return {};
    }

    QString name_;
    std::string failure_; // "PATH: why", made once; empty: the song has no texts, and no fault
};

// A read ahead yields the processor and the disk to everything else on the machine.
void lowerThisThreadsPriority() {
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, 19);
    ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, thread, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
}

// How often a listing that reads files says how far it is, and looks whether to stop.
constexpr auto Tick = std::chrono::milliseconds(100);
// The songs read between two writes to the tag index: a listing cut short keeps most of its work.
constexpr std::size_t Chunk = 500;
// The entries a thread takes at a time through the whole way: found, sought, read.
constexpr std::size_t Stretch = 256;

} // namespace

SongFiles::SongFiles(const LibraryOptions& options)
    : progress_(options.progress)
    , ratings_(options.ratings)
    , threads_(options.readingThreads > 0 ? options.readingThreads : QThread::idealThreadCount()) {
    if (!options.tagIndex.isEmpty()) {
        index_ = std::make_unique<TagIndex>(options.tagIndex);
    }
}

SongFiles::~SongFiles() = default;

void SongFiles::newListing() {
    ++listing_;
    // Songs read with the ratings the player has changed since are read again.
    if (ratings_ && ratings_->refresh()) {
        songs_.clear();
    }
}

bool SongFiles::givesTitle(const MediaItem& song) {
    const auto* read = dynamic_cast<const Song*>(&song);
    return read && read->titled();
}

QStringList SongFiles::takeNotes() {
    return index_ ? index_->takeNotes() : QStringList();
}

std::vector<std::shared_ptr<const MediaItem>> SongFiles::songs(const std::vector<Wanted>& wanted,
                                                               const QStringList& gone,
                                                               const std::function<bool()>& stop) {
    return songs(
        wanted.size(), [&](std::size_t i) { return Entry::ofFile(wanted[i]); },
        [&](std::size_t i) { return Entry::ofFile(wanted[i]); }, gone, stop);
}

std::vector<std::shared_ptr<const MediaItem>>
SongFiles::songs(std::size_t count, const Finder& find, const Finder& findHere,
                 const QStringList& gone, const std::function<bool()>& stop, const Landed& landed) {
    std::vector<std::shared_ptr<const MediaItem>> result(count);
    const bool ahead = static_cast<bool>(stop);
    ReadProgress* const progress = ahead ? nullptr : progress_.get();
    // Shared by the threads, under `mutex`: the songs known (songs_), the tag index, and what
    // the listing found so far.
    std::mutex mutex;
    std::mutex indexMutex; // the tag index, apart: its reads and writes hold up no landing
    QHash<QString, std::size_t> firsts; // the first entry of each file sought
    std::vector<std::size_t> again;     // entries naming a file that an earlier entry names
    std::vector<std::size_t> here;      // entries to be found on the calling thread
    std::size_t deferredFrom = count;   // the first entry of `again` or `here`
    const std::size_t stretches = (count + Stretch - 1) / Stretch;
    std::vector<char> walked(stretches); // the stretches done
    std::vector<TagIndex::Song> kept;    // read, not yet written to the index
    // Room for every song at once: growing a step at a time rehashes all held so far.
    const auto room = static_cast<qsizetype>(std::min<std::size_t>(count, 1U << 20));
    firsts.reserve(room);
    songs_.reserve(songs_.size() + room);
    QSet<QString> shared;      // the songs of an album share their album, artist... held once
    std::size_t looked = 0;    // entries found
    std::size_t toRead = 0;    // files found that must be read
    std::size_t readNow = 0;   // of them, read
    bool beyondMemory = false; // a song not in memory was sought: in the index, or its file
    std::atomic<bool> halted{false};

    const auto land = [&](std::size_t i, const Wanted& w, SongRead read) {
        for (QString* text : {&read.info.artist, &read.info.album, &read.info.genre,
                              &read.info.year, &read.info.fileType}) {
            if (const auto found = shared.constFind(*text); found != shared.cend()) {
                *text = *found;
            } else {
                shared.insert(*text);
            }
        }
        if (const int stored = ratings_ ? ratings_->rating(w.path) : -1; stored >= 0) {
            read.info.rating = stored;
        }
        auto song = std::make_shared<const Song>(std::move(read.info), w.path, read.problem);
        songs_.insert(w.path, {read.stamp, listing_, song});
        result[i] = std::move(song);
    };
    // One stretch of entries the whole way: each found (as its playlist says, one look at the
    // file), sought in memory and then in the index, and read from its file when neither has it.
    const auto walk = [&](std::size_t first, std::size_t last) {
        std::vector<std::pair<std::size_t, Wanted>> files;
        std::vector<std::size_t> later;
        for (std::size_t i = first; i < last; ++i) {
            Entry entry = find(i);
            if (entry.kind == Entry::Song) {
                result[i] = std::move(entry.song);
            } else if (entry.kind == Entry::Later) {
                later.push_back(i);
            } else if (!entry.wanted.stamp.isRegularFile()) {
                result[i] = songWithoutFile(entry.wanted.fallback, entry.wanted.path,
                                            whyUnreadable(entry.wanted.path));
                files.push_back({i, std::move(entry.wanted)});
            } else {
                files.push_back({i, std::move(entry.wanted)});
            }
        }
        std::vector<std::pair<std::size_t, Wanted>> sought;
        {
            const std::lock_guard lock(mutex);
            here.insert(here.end(), later.begin(), later.end());
            if (!later.empty()) {
                deferredFrom = std::min(deferredFrom, later.front());
            }
            for (auto& [i, w] : files) {
                if (result[i]) { // no regular file
                    songs_.remove(w.path);
                } else if (auto known = songs_.find(w.path);
                           known != songs_.end() && known->stamp == w.stamp) {
                    known->listing = listing_;
                    result[i] = known->song;
                } else if (firsts.contains(w.path)) {
                    again.push_back(i);
                    deferredFrom = std::min(deferredFrom, i);
                } else {
                    firsts.insert(w.path, i);
                    sought.push_back({i, std::move(w)});
                }
            }
            beyondMemory = beyondMemory || !sought.empty();
        }
        std::vector<std::optional<SongRead>> indexed(sought.size());
        if (index_ && !sought.empty()) {
            std::vector<QString> paths;
            std::vector<FileStamp> stamps;
            for (const auto& [i, w] : sought) {
                paths.push_back(w.path);
                stamps.push_back(w.stamp);
            }
            const std::lock_guard lock(indexMutex);
            indexed = index_->find(paths, stamps);
        }
        std::vector<SongRead> reads(sought.size());
        std::size_t readHere = 0;
        for (std::size_t k = 0; k < sought.size(); ++k) {
            if (!indexed[k] && !halted.load()) {
                reads[k] = readSongFile(sought[k].second.path);
                ++readHere;
            }
        }
        std::vector<TagIndex::Song> keep;
        {
            const std::lock_guard lock(mutex);
            for (std::size_t k = 0; k < sought.size(); ++k) {
                const auto& [i, w] = sought[k];
                if (indexed[k]) {
                    land(i, w, std::move(*indexed[k]));
                    continue;
                }
                ++toRead;
                SongRead& read = reads[k];
                if (!read.regularFile) {
                    if (read.stamp.size == -1 && read.problem.isEmpty()) {
                        continue; // not read: stopped
                    }
                    // Changed since the listing looked at it: a folder now, or unreadable.
                    songs_.remove(w.path);
                    result[i] = songWithoutFile(w.fallback, w.path, read.problem);
                    continue;
                }
                ++reads_;
                if (index_) {
                    kept.push_back({w.path, read});
                }
                land(i, w, std::move(read));
            }
            readNow += readHere;
            looked += last - first;
            walked[first / Stretch] = 1;
            if (kept.size() >= Chunk) {
                keep.swap(kept);
            }
        }
        if (!keep.empty()) {
            const std::lock_guard lock(indexMutex);
            index_->keep(keep);
        }
    };

    // Every thread takes the next stretch until none is left. The calling thread takes its share
    // too, but for a read ahead, which is left to threads of low priority; between its stretches
    // it says how far the reading is, looks whether to stop and tells `landed` what is done.
    std::atomic<std::size_t> next{0};
    const auto walkAll = [&] {
        for (std::size_t k; !halted.load() && (k = next++) < stretches;) {
            walk(k * Stretch, std::min(count, (k + 1) * Stretch));
        }
    };
    auto lastTold = std::chrono::steady_clock::now();
    const auto tell = [&](bool always) {
        const auto now = std::chrono::steady_clock::now();
        if (!always && now - lastTold < Tick) {
            return;
        }
        lastTold = now;
        const std::unique_lock lock(mutex);
        // Entries not found yet are counted as songs to read: the number only falls.
        if (progress && toRead > 0) {
            progress->report(static_cast<int>(readNow),
                             static_cast<int>(toRead + (count - looked)));
        }
        if ((stop && stop()) || (progress && progress->stopped())) {
            halted = true;
        }
    };
    std::size_t done = 0;     // the first entries, told to `landed`
    std::size_t doneUpTo = 0; // the stretches before it are walked
    std::exception_ptr listenerFailed;
    const auto tellLanded = [&] {
        if (!landed || halted.load()) {
            return;
        }
        std::size_t now = 0;
        {
            const std::lock_guard lock(mutex);
            while (doneUpTo < stretches && walked[doneUpTo]) {
                ++doneUpTo;
            }
            now = std::min({doneUpTo * Stretch, count, deferredFrom});
        }
        if (now > done) {
            done = now;
            try {
                landed(done, result);
            } catch (...) {
                listenerFailed = std::current_exception();
                halted = true;
            }
        }
    };
    const int helpers = std::clamp<int>(static_cast<int>(stretches) - (ahead ? 0 : 1), 0,
                                        ahead ? threads_ : threads_ - 1);
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    const auto startHelpers = [&] {
        running = helpers;
        for (int t = 0; t < helpers; ++t) {
            threads.emplace_back([&] {
                if (ahead) {
                    lowerThisThreadsPriority();
                }
                walkAll();
                --running;
            });
        }
    };
    if (ahead) {
        startHelpers();
        while (running.load() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            tell(false);
        }
    } else {
        // Songs served from memory come faster than threads start and take turns: the other
        // threads join in once a stretch had files to look up in the index or read.
        for (std::size_t k; !halted.load() && (k = next++) < stretches;) {
            walk(k * Stretch, std::min(count, (k + 1) * Stretch));
            tell(false);
            tellLanded();
            if (threads.empty() && beyondMemory) {
                startHelpers();
            }
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (progress && toRead > 0) {
        progress->report(static_cast<int>(readNow), static_cast<int>(toRead + (count - looked)));
    }
    if (index_ && !kept.empty()) {
        index_->keep(kept);
        kept.clear();
    }

    // The entries that only the calling thread can find (a path to resolve), as one batch more.
    if (!halted.load() && !here.empty()) {
        std::vector<Wanted> wanted;
        std::vector<std::size_t> whose;
        for (const std::size_t i : here) {
            Entry entry = findHere(i);
            if (entry.kind == Entry::Song) {
                result[i] = std::move(entry.song);
            } else {
                wanted.push_back(std::move(entry.wanted));
                whose.push_back(i);
            }
        }
        std::vector<std::shared_ptr<const MediaItem>> found = songs(wanted, {}, stop);
        for (std::size_t k = 0; k < found.size(); ++k) {
            result[whose[k]] = std::move(found[k]);
        }
    }
    // A file named again is the song read first.
    for (const std::size_t i : again) {
        const Entry entry = find(i);
        const Wanted& w = entry.wanted;
        const auto found = songs_.constFind(w.path);
        result[i] = found != songs_.cend() && found->listing == listing_
                        ? found->song
                        : songWithoutFile(w.fallback, w.path, whyUnreadable(w.path));
    }
    // A listing stopped short leaves songs unread.
    for (std::size_t i = 0; i < count; ++i) {
        if (!result[i]) {
            Entry entry = find(i);
            if (entry.kind == Entry::Later) {
                entry = findHere(i);
            }
            result[i] = entry.kind == Entry::Song
                            ? std::move(entry.song)
                            : songWithoutFile(entry.wanted.fallback, entry.wanted.path,
                                              QStringLiteral("not read"));
        }
    }
    for (const QString& path : gone) {
        songs_.remove(path);
    }
    if (index_ && !gone.isEmpty()) {
        index_->keep({}, gone);
    }
    if (progress && toRead > 0) {
        progress->report(0, 0);
    }
    if (listenerFailed) {
        std::rethrow_exception(listenerFailed);
    }
    if (landed && done < count) {
        landed(count, result);
    }
    return result;
}

std::shared_ptr<const MediaItem> SongFiles::song(const QString& path, const QString& fallback) {
    if (const auto found = songs_.constFind(path);
        found != songs_.cend() && found->listing == listing_) {
        return found->song;
    }
    bool exists = false;
    const FileStamp stamp = fileStamp(path, &exists);
    if (!exists) {
        songs_.remove(path);
        return nullptr; // the caller may look elsewhere
    }
    return songs({{path, stamp, fallback}}).front();
}

std::shared_ptr<const MediaItem> songWithoutFile(QString name, QString path, QString why) {
    return std::make_shared<SongWithoutFile>(boundedText(std::move(name)), path, why);
}

} // namespace corvane::library
