#include "library/stores/StoreLibrary.h"

#include "library/playlists/PlaylistFormats.h"
#include "library/songs/SongFiles.h"

#include <QFileInfo>
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

std::shared_ptr<const MediaItem> itemFromStore(const StoreSong& song) {
    const bool known = song.seconds >= 0;
    const bool stream = isStreamLocation(song.location);
    return std::make_shared<ReadySong>(
        song.title.isEmpty() ? untitledName(song.location) : song.title,
        known ? durationText(song.seconds) : QString(),
        ItemInfo{known ? secondsText(song.seconds) : QString(),
                 song.rating >= 0 ? QString::number(song.rating) : QString(), song.artist,
                 song.genre, song.year, song.album,
                 stream ? QString() : QFileInfo(song.location).suffix().toLower()});
}

// The name of a song the store knows by its location (and perhaps a title) only, as the file
// backend names a song whose file it does not read: the title, else the location's last part.
QString nameOnly(const StoreSong& song) {
    return song.title.isEmpty() ? locationName(song.location) : song.title;
}

class ListedPlaylist final : public Playlist {
public:
    ListedPlaylist(StoreListing listing, SongSource songs)
        : listing_(std::move(listing))
        , source_(std::move(songs)) {}

    QString name() const override { return listing_.name; }

    int count() const override { return static_cast<int>(songs().size()); }

    std::shared_ptr<const MediaItem> item(int index) const override {
        const std::vector<StoreSong>& all = songs();
        if (index < 0 || index >= static_cast<int>(all.size())) {
            throw LibraryError("song index out of range");
        }
        std::shared_ptr<const MediaItem>& made = items_[static_cast<std::size_t>(index)];
        if (!made) {
            made = make(all[static_cast<std::size_t>(index)]);
        }
        return made;
    }

private:
    const std::vector<StoreSong>& songs() const {
        if (!songs_) {
            songs_ = listing_.songs();
            items_.resize(songs_->size());
        }
        return *songs_;
    }

    std::shared_ptr<const MediaItem> make(const StoreSong& song) const {
        const bool fromStore = song.tagged && song.rating >= 0;
        if (fromStore || song.location.isEmpty() || isStreamLocation(song.location)) {
            return song.tagged ? itemFromStore(song) : songWithoutFile(nameOnly(song));
        }
        if (auto read = source_.song(song.location, nameOnly(song))) {
            return read;
        }
        // The file is gone: what the store holds of the song, else why it cannot be read.
        return song.tagged
                   ? itemFromStore(song)
                   : songWithoutFile(nameOnly(song), song.location, QStringLiteral("no such file"));
    }

    StoreListing listing_;
    SongSource source_;
    // Read once, on the first call that needs them; each song made when first asked for.
    mutable std::optional<std::vector<StoreSong>> songs_;
    mutable std::vector<std::shared_ptr<const MediaItem>> items_;
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

StoreLibrary::StoreLibrary(StoreReader reader, SongSource songs)
    : reader_(std::move(reader))
    , songs_(std::move(songs)) {}

std::shared_ptr<const PlaylistCollection> StoreLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray StoreLibrary::getAll() const {
    songs_.newListing();
    std::vector<std::shared_ptr<const Playlist>> playlists;
    for (StoreListing& listing : reader_()) {
        playlists.push_back(std::make_shared<ListedPlaylist>(std::move(listing), songs_));
    }
    return PlaylistArray(std::move(playlists));
}

PlaylistArray StoreLibrary::getByName(const QString& name) const {
    songs_.newListing();
    std::vector<std::shared_ptr<const Playlist>> playlists;
    for (StoreListing& listing : reader_()) {
        if (listing.name == name) {
            playlists.push_back(std::make_shared<ListedPlaylist>(std::move(listing), songs_));
        }
    }
    return PlaylistArray(std::move(playlists));
}

} // namespace corvane::library
