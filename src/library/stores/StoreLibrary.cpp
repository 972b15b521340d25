#include "library/stores/StoreLibrary.h"

#include "library/playlists/PlaylistFormats.h"
#include "library/songs/SharedTexts.h"
#include "library/songs/SongFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <optional>

namespace corvane::library {
namespace {

// The name of a song without a title: a stream's last path segment, else the file's base name.
QString untitledName(const QString& location) {
    if (isStreamLocation(location)) {
        const QString name = QUrl(location).fileName();
        return name.isEmpty() ? location : name;
    }
    const QString name = QFileInfo(location).completeBaseName();
    return name.isEmpty() ? location : name;
}

// A song whose tags the store holds. Its length and rating are written when asked for (once a
// listing), and its texts are the store's own strings: a long playlist costs little more than
// its songs.
class StoreItem final : public MediaItem {
public:
    StoreItem(const StoreSong& song, SharedTexts& shared)
        : name_(song.title.isEmpty() ? untitledName(song.location) : song.title)
        , artist_(song.artist)
        , genre_(song.genre)
        , year_(song.year)
        , album_(song.album)
        , fileType_(shared(isStreamLocation(song.location)
                               ? QString()
                               : QFileInfo(song.location).suffix().toLower()))
        , seconds_(songLength(song.seconds))
        , rating_(song.rating) {}

    QString name() const override { return name_; }
    QString durationString() const override {
        return seconds_ >= 0 ? durationText(seconds_) : QString();
    }
    QString getItemInfo(const QString& attribute) const override {
        if (attribute == attribute::Duration) {
            return seconds_ >= 0 ? secondsText(seconds_) : QString();
        }
        if (attribute == attribute::UserRating) {
            return rating_ >= 0 ? QString::number(rating_) : QString();
        }
        return attribute == attribute::Artist     ? artist_
               : attribute == attribute::Genre    ? genre_
               : attribute == attribute::Year     ? year_
               : attribute == attribute::Album    ? album_
               : attribute == attribute::FileType ? fileType_
                                                  : QString();
    }

private:
    QString name_;
    QString artist_;
    QString genre_;
    QString year_;
    QString album_;
    QString fileType_;
    double seconds_;
    int rating_;
};

// The name of a song the store knows by its location (and perhaps a title) only, as the file
// backend names a song whose file it does not read: the title, else the location's last part.
QString nameOnly(const StoreSong& song) {
    return song.title.isEmpty() ? locationName(song.location) : song.title;
}

// True when the song is read from its audio file: the store does not hold both its tags and
// its rating, and it has a file.
bool readFromFile(const StoreSong& song) {
    return !(song.tagged && song.rating >= 0) && !song.location.isEmpty() &&
           !isStreamLocation(song.location);
}

class ListedPlaylist final : public Playlist {
public:
    ListedPlaylist(StoreListing listing, SongSource songs)
        : listing_(std::move(listing))
        , source_(std::move(songs)) {}

    QString name() const override { return listing_.name; }

    int count() const override { return static_cast<int>(items().size()); }

    std::shared_ptr<const MediaItem> item(int index) const override {
        const auto& all = items();
        if (index < 0 || index >= static_cast<int>(all.size())) {
            throw LibraryError("song index out of range");
        }
        std::shared_ptr<const MediaItem>& made = (*items_)[static_cast<std::size_t>(index)];
        if (!made) {
            made = fromFile(unread_.take(index));
        }
        return made;
    }

    // Reads the songs now; what the store left out, and why it failed, go to `notes` and `error`.
    void read(QStringList& notes, QString& error) const {
        items();
        notes += notes_;
        if (error.isEmpty()) {
            error = error_;
        }
    }

private:
    // Read once, on the first call that needs them. A song the store holds is made at once; one
    // read from its file when it is first asked for.
    const std::vector<std::shared_ptr<const MediaItem>>& items() const {
        if (items_) {
            return *items_;
        }
        std::vector<StoreSong> songs;
        try {
            songs = listing_.songs(notes_);
        } catch (const LibraryError& e) {
            // The songs that can be read without the store still show; the failure is said.
            error_ = QString::fromUtf8(e.what());
            resumeNext([&] {
                if (listing_.withoutStore) {
                    songs = listing_.withoutStore();
                }
            });
        }
        // What made the songs (and the parsed store it may hold) is not needed again.
        listing_.songs = nullptr;
        listing_.withoutStore = nullptr;
        items_.emplace(songs.size());
        for (std::size_t i = 0; i < songs.size(); ++i) {
            StoreSong& song = songs[i];
            // Resolved song by song: a long playlist never holds all its paths twice.
            song.location = entryLocation(std::move(song.location), QDir::rootPath());
            if (readFromFile(song)) {
                unread_.insert(static_cast<int>(i), std::move(song));
            } else if (song.tagged) {
                (*items_)[i] = std::make_shared<StoreItem>(song, shared_);
            } else {
                (*items_)[i] = songWithoutFile(nameOnly(song));
            }
        }
        return *items_;
    }

    std::shared_ptr<const MediaItem> fromFile(const StoreSong& song) const {
        if (auto read = source_.song(song.location, nameOnly(song))) {
            return read;
        }
        // The file is gone: what the store holds of the song, else why it cannot be read.
        return song.tagged
                   ? std::make_shared<StoreItem>(song, shared_)
                   : songWithoutFile(nameOnly(song), song.location, QStringLiteral("no such file"));
    }

    mutable StoreListing listing_; // its reading let go once the songs are read
    SongSource source_;
    mutable std::optional<std::vector<std::shared_ptr<const MediaItem>>> items_;
    mutable QHash<int, StoreSong> unread_; // the songs read from their files, until they are
    mutable QStringList notes_;
    mutable QString error_;
    mutable SharedTexts shared_; // the file types
};

} // namespace

QString storeName(StoreKind kind) {
    switch (kind) {
    case StoreKind::Rhythmbox:
        return QStringLiteral("Rhythmbox");
    case StoreKind::Strawberry:
        return QStringLiteral("Strawberry");
    case StoreKind::Clementine:
        return QStringLiteral("Clementine");
    case StoreKind::Audacious:
        return QStringLiteral("Audacious");
    case StoreKind::Cmus:
        return QStringLiteral("cmus");
    case StoreKind::ITunes:
        return QStringLiteral("iTunes");
    case StoreKind::Lollypop:
        return QStringLiteral("Lollypop");
    case StoreKind::Kodi:
        return QStringLiteral("Kodi");
    case StoreKind::Elisa:
        return QStringLiteral("Elisa");
    case StoreKind::QuodLibet:
        return QStringLiteral("Quod Libet");
    }
    return {};
}

LibraryError storeError(StoreKind kind, const QString& location, const QString& why) {
    return LibraryError(QStringLiteral("cannot read the %1 library \"%2\": %3")
                            .arg(storeName(kind), location, why)
                            .toStdString());
}

SongSource songFileSource() {
    auto files = std::make_shared<SongFiles>();
    return {[files](const QString& path, const QString& fallback) {
                return files->song(path, fallback);
            },
            [files] { files->newListing(); }};
}

StoreLibrary::StoreLibrary(StoreReader reader, SongSource songs, bool lookOnce)
    : reader_(std::move(reader))
    , songs_(std::move(songs))
    , lookOnce_(lookOnce) {
    std::vector<StoreListing> opened = reader_();
    if (lookOnce_) {
        opened_ = std::move(opened);
    }
}

std::shared_ptr<const PlaylistCollection> StoreLibrary::playlistCollection() const {
    return shared_from_this();
}

std::vector<StoreListing> StoreLibrary::listings() const {
    return opened_ ? *opened_ : reader_();
}

// With lookOnce the playlists read on opening serve this listing, and are then let go.
std::vector<StoreListing> StoreLibrary::takeListings() const {
    std::vector<StoreListing> listings = opened_ ? std::move(*opened_) : reader_();
    opened_.reset();
    return listings;
}

PlaylistArray StoreLibrary::getAll() const {
    songs_.newListing();
    std::vector<std::shared_ptr<const Playlist>> playlists;
    QStringList notes;
    for (StoreListing& listing : listings()) {
        if (!listing.leftOut.isEmpty()) {
            // One line, whatever the store's names and values hold.
            notes.push_back(listing.leftOut.simplified());
        } else {
            playlists.push_back(std::make_shared<ListedPlaylist>(std::move(listing), songs_));
        }
    }
    return PlaylistArray(std::move(playlists), std::move(notes));
}

PlaylistArray StoreLibrary::getByName(const QString& name) const {
    if (listed_ && listed_->first == name) {
        return listed_->second;
    }
    songs_.newListing();
    std::vector<std::shared_ptr<const Playlist>> playlists;
    QStringList notes;
    QString error;
    for (StoreListing& listing : takeListings()) {
        if (listing.name == name && !listing.leftOut.isEmpty()) {
            notes.push_back(listing.leftOut.simplified());
        } else if (listing.name == name) {
            auto playlist = std::make_shared<ListedPlaylist>(std::move(listing), songs_);
            playlist->read(notes, error);
            playlists.push_back(std::move(playlist));
        }
    }
    PlaylistArray found(std::move(playlists), std::move(notes), std::move(error));
    if (lookOnce_) {
        listed_.emplace(name, found);
    }
    return found;
}

} // namespace corvane::library
