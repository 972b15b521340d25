#include "library/songs/SongFiles.h"

#include "library/Reading.h"
#include "library/disk/FileName.h"
#include "library/songs/SongFile.h"
#include "library/songs/TagIndex.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <chrono>
#include <condition_variable>
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

// How often a batch that reads files says how far it is, and looks whether to stop.
constexpr auto Tick = std::chrono::milliseconds(100);
// The songs read between two writes to the tag index: a listing cut short keeps most of its work.
constexpr std::size_t Chunk = 500;

struct Batch {
    const std::vector<QString>& paths;
    std::vector<SongRead>& reads;
    int threads = 1;
    bool ahead = false;                                    // at low priority, on threads of its own
    std::function<bool()> stop;                            // asked on the calling thread
    std::function<void(std::vector<std::size_t>&)> landed; // the reads done since, by index
    ReadProgress* progress = nullptr;
};

// Reads every file of the batch, each whole by one thread (TagLib objects are never shared), the
// calling thread hearing what landed every Tick or Chunk.
void read(const Batch& batch) {
    const std::size_t total = batch.paths.size();
    std::size_t done = 0;
    bool halt = false;
    // What landed since: written down, told, and whether to stop asked.
    const auto tell = [&](std::vector<std::size_t>& landed) {
        done += landed.size();
        if (!landed.empty()) {
            batch.landed(landed);
            landed.clear();
        }
        if (batch.progress) {
            batch.progress->report(static_cast<int>(done), static_cast<int>(total));
        }
        halt = (batch.stop && batch.stop()) || (batch.progress && batch.progress->stopped());
    };
    std::vector<std::size_t> landed;
    if (batch.threads == 1 && !batch.ahead) {
        auto last = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < total && !halt; ++k) {
            batch.reads[k] = readSongFile(batch.paths[k]);
            landed.push_back(k);
            if (const auto now = std::chrono::steady_clock::now();
                landed.size() == Chunk || now - last >= Tick || k + 1 == total) {
                last = now;
                tell(landed);
            }
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::size_t> finished;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> halted{false};
    int running = batch.threads;
    const auto work = [&] {
        if (batch.ahead) {
            lowerThisThreadsPriority();
        }
        for (std::size_t k; !halted.load() && (k = next++) < total;) {
            SongRead read = readSongFile(batch.paths[k]);
            const std::lock_guard lock(mutex);
            batch.reads[k] = std::move(read);
            finished.push_back(k);
            if (finished.size() == Chunk) {
                wake.notify_one();
            }
        }
        const std::lock_guard lock(mutex);
        --running;
        wake.notify_one();
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < batch.threads; ++t) {
        threads.emplace_back(work);
    }
    std::unique_lock lock(mutex);
    while (running > 0 || !finished.empty()) {
        wake.wait_for(lock, Tick, [&] { return finished.size() >= Chunk || running == 0; });
        landed.swap(finished);
        lock.unlock();
        tell(landed);
        halted = halt;
        lock.lock();
    }
    lock.unlock();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

} // namespace

SongFiles::SongFiles(const LibraryOptions& options)
    : progress_(options.progress)
    , threads_(options.readingThreads > 0 ? options.readingThreads : QThread::idealThreadCount()) {
    if (!options.tagIndex.isEmpty()) {
        index_ = std::make_unique<TagIndex>(options.tagIndex);
    }
}

SongFiles::~SongFiles() = default;

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
    std::vector<std::shared_ptr<const MediaItem>> result(wanted.size());
    // The files not read before (or changed since): first sought in the index. A file named
    // twice is read once.
    std::vector<std::size_t> pending;
    std::vector<std::size_t> again;
    QHash<QString, std::size_t> firsts;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const Wanted& w = wanted[i];
        if (!w.stamp.isRegularFile()) {
            songs_.remove(w.path);
            result[i] = songWithoutFile(w.fallback, w.path, whyUnreadable(w.path));
        } else if (auto found = songs_.find(w.path);
                   found != songs_.end() && found->stamp == w.stamp) {
            found->listing = listing_;
            result[i] = found->song;
        } else if (firsts.contains(w.path)) {
            again.push_back(i);
        } else {
            firsts.insert(w.path, i);
            pending.push_back(i);
        }
    }
    // The songs of an album share their album, artist, genre, year and type: held once.
    QSet<QString> shared;
    const auto land = [&](std::size_t i, SongRead read) {
        for (QString* text : {&read.info.artist, &read.info.album, &read.info.genre,
                              &read.info.year, &read.info.fileType}) {
            if (const auto found = shared.constFind(*text); found != shared.cend()) {
                *text = *found;
            } else {
                shared.insert(*text);
            }
        }
        const Wanted& w = wanted[i];
        auto song = std::make_shared<const Song>(std::move(read.info), w.path, read.problem);
        songs_.insert(w.path, {read.stamp, listing_, song});
        result[i] = std::move(song);
    };
    std::vector<QString> paths;
    std::vector<FileStamp> stamps;
    if (index_ && !pending.empty()) {
        for (const std::size_t i : pending) {
            paths.push_back(wanted[i].path);
            stamps.push_back(wanted[i].stamp);
        }
        std::vector<std::optional<SongRead>> found = index_->find(paths, stamps);
        std::size_t unread = 0;
        for (std::size_t k = 0; k < pending.size(); ++k) {
            if (found[k]) {
                land(pending[k], std::move(*found[k]));
            } else {
                pending[unread++] = pending[k];
            }
        }
        pending.resize(unread);
    }
    paths.clear();
    for (const std::size_t i : pending) {
        paths.push_back(wanted[i].path);
    }
    std::vector<SongRead> reads(paths.size());
    std::vector<TagIndex::Song> kept;
    const bool ahead = static_cast<bool>(stop);
    Batch batch{paths,
                reads,
                std::min<int>(threads_, static_cast<int>(paths.size())),
                ahead,
                stop,
                {},
                ahead ? nullptr : progress_.get()};
    batch.landed = [&](std::vector<std::size_t>& landed) {
        for (const std::size_t k : landed) {
            const std::size_t i = pending[k];
            SongRead& read = reads[k];
            if (!read.regularFile) {
                // Changed since the listing looked at it: a folder now, or unreadable.
                songs_.remove(wanted[i].path);
                result[i] = songWithoutFile(wanted[i].fallback, wanted[i].path, read.problem);
                continue;
            }
            ++reads_;
            if (index_) {
                kept.push_back({wanted[i].path, read});
            }
            land(i, std::move(read));
        }
        if (index_) {
            index_->keep(kept);
            kept.clear();
        }
    };
    if (batch.threads > 0) {
        read(batch);
    }
    // A read stopped short leaves songs unread; a file named again is the song read first.
    for (const std::size_t i : pending) {
        if (!result[i]) {
            result[i] =
                songWithoutFile(wanted[i].fallback, wanted[i].path, QStringLiteral("not read"));
        }
    }
    for (const std::size_t i : again) {
        const Wanted& w = wanted[i];
        const auto found = songs_.constFind(w.path);
        result[i] = found != songs_.cend() && found->listing == listing_
                        ? found->song
                        : songWithoutFile(w.fallback, w.path, whyUnreadable(w.path));
    }
    for (const QString& path : gone) {
        songs_.remove(path);
    }
    if (index_ && !gone.isEmpty()) {
        index_->keep({}, gone);
    }
    if (progress_ && !batch.ahead && !paths.empty()) {
        progress_->report(0, 0);
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
