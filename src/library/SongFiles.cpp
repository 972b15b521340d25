#include "library/SongFiles.h"

#include "library/FileName.h"
#include "library/SongFile.h"

#include <QFileInfo>

namespace corvane::library {

// A song as read, with the texts that every listing asks for made once. A file that cannot be
// read has no duration or rating; its file type is known from the name all the same.
struct SongFiles::Song {
    Song(SongInfo read, const QString& path, const QString& problem)
        : name(read.title.isEmpty() ? shownName(QFileInfo(path).completeBaseName())
                                    : std::move(read.title))
        , failure(problem.isEmpty() ? QString() : shownName(path) + QStringLiteral(": ") + problem)
        , clock(read.readable ? durationText(read.seconds) : QString())
        , texts{read.readable ? secondsText(read.seconds) : QString(),
                read.readable ? QString::number(read.rating) : QString(),
                std::move(read.artist),
                std::move(read.genre),
                std::move(read.year),
                std::move(read.album),
                std::move(read.fileType)} {}

    QString name;    // the title tag, else the file's name
    QString failure; // "PATH: why" when it is no audio file TagLib can read; empty when it is
    QString clock;
    ItemInfo texts;
};

namespace {

class FileSong final : public MediaItem {
public:
    explicit FileSong(std::shared_ptr<const SongFiles::Song> song)
        : song_(std::move(song)) {}

    QString name() const override { return song_->name; }
    QString durationString() const override {
        failIfUnread();
        return song_->clock;
    }
    QString getItemInfo(const QString& attribute) const override {
        // A file that is no audio file still has the type its name gives.
        if (attribute != attribute::FileType) {
            failIfUnread();
        }
        return song_->texts.get(attribute);
    }

private:
    void failIfUnread() const {
        if (!song_->failure.isEmpty()) {
            throw LibraryError(song_->failure.toStdString());
        }
    }

    std::shared_ptr<const SongFiles::Song> song_;
};

class SongWithoutFile final : public MediaItem {
public:
    SongWithoutFile(QString name, QString path, QString why)
        : name_(std::move(name))
        , path_(std::move(path))
        , why_(std::move(why)) {}

    QString name() const override { return name_; }
    QString durationString() const override { return fail(); }
    QString getItemInfo(const QString&) const override { return fail(); }

private:
    QString fail() const {
        if (!why_.isEmpty()) {
            throw LibraryError((shownName(path_) + QStringLiteral(": ") + why_).toStdString());
        }
        return {};
    }

    QString name_;
    QString path_;
    QString why_;
};

} // namespace

std::shared_ptr<const MediaItem> SongFiles::song(const QString& path, const QString& fallback) {
    auto found = songs_.find(path);
    // Once per listing a song read before is checked against its file; a file that could not be
    // read is tried again.
    if (found != songs_.end() && found->listing != listing_) {
        if (found->song && fileStamp(path) == found->stamp) {
            found->listing = listing_;
        } else {
            songs_.erase(found);
            found = songs_.end();
        }
    }
    if (found == songs_.end()) {
        if (!pathExists(path)) {
            return nullptr; // the caller may look elsewhere
        }
        SongRead read = readSongFile(path);
        Cached cached{read.stamp, listing_, nullptr, {}};
        if (read.regularFile) {
            ++reads_;
            cached.song = std::make_shared<const Song>(std::move(read.info), path, read.problem);
        } else {
            cached.why = whyUnreadable(path);
        }
        found = songs_.insert(path, std::move(cached));
    }
    if (!found->song) {
        return songWithoutFile(fallback, path, found->why);
    }
    return std::make_shared<FileSong>(found->song);
}

std::shared_ptr<const MediaItem> songWithoutFile(QString name, QString path, QString why) {
    return std::make_shared<SongWithoutFile>(std::move(name), std::move(path), std::move(why));
}

} // namespace corvane::library
