#include "library/files/StatedSong.h"

#include <QFileInfo>

namespace corvane::library {
namespace {

// `ask` of the file's song; when that fails or is empty, `stated` where there is one.
template <class Ask> QString orStated(const Ask& ask, const QString& stated) {
    if (stated.isEmpty()) {
        return ask();
    }
    try {
        QString given = ask();
        return given.isEmpty() ? stated : given;
    } catch (const LibraryError&) {
        return stated;
    }
}

QString statedText(const PlaylistEntry& entry, const QString& attribute) {
    if (attribute == attribute::Artist) {
        return entry.artist;
    }
    if (attribute == attribute::Album) {
        return entry.album;
    }
    if (attribute == attribute::Genre) {
        return entry.genre;
    }
    if (attribute == attribute::Year) {
        return yearOf(entry.date);
    }
    return {};
}

// An entry of an M3U, PLS, XSPF...: the file's song, filled in.
class FilledSong final : public MediaItem {
public:
    FilledSong(std::shared_ptr<const MediaItem> song, const PlaylistEntry& entry, bool fileTitled)
        : song_(std::move(song))
        , entry_(entry) {
        // "Artist - Title" split from one title stands in only where the file gives neither.
        if (entry_.titleSplit && (fileTitled || givesArtist())) {
            entry_.title.clear();
            entry_.artist.clear();
        }
        name_ = fileTitled || entry_.title.isEmpty() ? song_->name() : entry_.title;
    }

    QString name() const override { return name_; }
    QString durationString() const override {
        return orStated([&] { return song_->durationString(); },
                        entry_.length >= 0 ? durationText(entry_.length) : QString());
    }
    QString getItemInfo(const QString& attribute) const override {
        if (attribute == attribute::Duration) {
            return orStated([&] { return song_->getItemInfo(attribute); },
                            entry_.length >= 0 ? secondsText(entry_.length) : QString());
        }
        return orStated([&] { return song_->getItemInfo(attribute); },
                        statedText(entry_, attribute));
    }

private:
    bool givesArtist() const {
        try {
            return !song_->getItemInfo(attribute::Artist).isEmpty();
        } catch (const LibraryError&) {
            return false;
        }
    }

    std::shared_ptr<const MediaItem> song_;
    PlaylistEntry entry_;
    QString name_;
};

// A track of a CUE sheet: a stretch of its audio file, described by the sheet.
class CueTrack final : public MediaItem {
public:
    CueTrack(std::shared_ptr<const MediaItem> song, const PlaylistEntry& entry)
        : song_(std::move(song))
        , entry_(entry) {}

    QString name() const override { return entry_.title.isEmpty() ? song_->name() : entry_.title; }
    QString durationString() const override {
        const double seconds = length();
        return seconds >= 0 ? durationText(seconds) : QString();
    }
    QString getItemInfo(const QString& attribute) const override {
        if (attribute == attribute::Duration) {
            const double seconds = length();
            return seconds >= 0 ? secondsText(seconds) : QString();
        }
        if (attribute == attribute::FileType) {
            // The type its FILE line gives, even when that file is not there.
            return orStated([&] { return song_->getItemInfo(attribute); },
                            QFileInfo(entry_.location).suffix().toLower());
        }
        const QString stated = statedText(entry_, attribute);
        return stated.isEmpty() ? song_->getItemInfo(attribute) : stated;
    }

private:
    // Up to the next track, else to the end of the file (which must be read); negative when the
    // sheet's times contradict each other.
    double length() const {
        if (entry_.length >= 0 || !entry_.toFileEnd) {
            return entry_.length;
        }
        const QString file = song_->getItemInfo(attribute::Duration);
        const double left = file.toDouble() - entry_.start;
        return file.isEmpty() || left <= 0 ? -1 : left;
    }

    std::shared_ptr<const MediaItem> song_;
    PlaylistEntry entry_;
};

} // namespace

bool statesAnything(const PlaylistEntry& entry) {
    return !entry.title.isEmpty() || !entry.artist.isEmpty() || !entry.album.isEmpty() ||
           !entry.genre.isEmpty() || !entry.date.isEmpty() || entry.length >= 0 || entry.start >= 0;
}

std::shared_ptr<const MediaItem> statedSong(std::shared_ptr<const MediaItem> song,
                                            const PlaylistEntry& entry, bool fileTitled) {
    if (entry.start >= 0) {
        return std::make_shared<CueTrack>(std::move(song), entry);
    }
    return std::make_shared<FilledSong>(std::move(song), entry, fileTitled);
}

} // namespace corvane::library
