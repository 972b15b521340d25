#include "library/StoreLibrary.h"

#include "library/PlaylistFormats.h"
#include "library/SongFile.h"

#include <QFileInfo>
#include <QUrl>
#include <optional>

namespace corvane::library {
namespace {

// A song with every text a listing asks for made once.
class StoreItem final : public MediaItem {
public:
    StoreItem(QString name, QString clock, ItemInfo texts)
        : name_(std::move(name))
        , clock_(std::move(clock))
        , texts_(std::move(texts)) {}

    QString name() const override { return name_; }
    QString durationString() const override { return clock_; }
    QString getItemInfo(const QString& attribute) const override { return texts_.get(attribute); }

private:
    QString name_;
    QString clock_;
    ItemInfo texts_;
};

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
    return std::make_shared<StoreItem>(
        song.title.isEmpty() ? untitledName(song.location) : song.title,
        known ? durationText(song.seconds) : QString(),
        ItemInfo{known ? secondsText(song.seconds) : QString(),
                 song.rating >= 0 ? QString::number(song.rating) : QString(), song.artist,
                 song.genre, song.year, song.album,
                 stream ? QString() : QFileInfo(song.location).suffix().toLower()});
}

// A song the store knows only by its location (and perhaps a title), and whose file is not
// there: its name alone, as the file backend shows a missing file.
std::shared_ptr<const MediaItem> namedOnly(const StoreSong& song) {
    const QString& location = song.location;
    QString name = !song.title.isEmpty()        ? song.title
                   : isStreamLocation(location) ? QUrl(location).fileName()
                                                : location.mid(location.lastIndexOf(u'/') + 1);
    return std::make_shared<StoreItem>(name.isEmpty() ? location : name, QString(), ItemInfo{});
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
            return song.tagged ? itemFromStore(song) : namedOnly(song);
        }
        if (auto read = source_(song.location)) {
            return read;
        }
        return song.tagged ? itemFromStore(song) : namedOnly(song);
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
    return [](const QString& path) -> std::shared_ptr<const MediaItem> {
        SongRead read = readSongFile(path);
        if (!read.regularFile) {
            return nullptr;
        }
        SongInfo& info = read.info;
        const bool readable = info.readable;
        return std::make_shared<StoreItem>(
            info.title.isEmpty() ? QFileInfo(path).completeBaseName() : std::move(info.title),
            readable ? durationText(info.seconds) : QString(),
            ItemInfo{readable ? secondsText(info.seconds) : QString(),
                     readable ? QString::number(info.rating) : QString(), std::move(info.artist),
                     std::move(info.genre), std::move(info.year), std::move(info.album),
                     std::move(info.fileType)});
    };
}

StoreLibrary::StoreLibrary(StoreReader reader, SongSource songs)
    : reader_(std::move(reader))
    , songs_(std::move(songs)) {}

std::shared_ptr<const PlaylistCollection> StoreLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray StoreLibrary::getAll() const {
    std::vector<std::shared_ptr<const Playlist>> playlists;
    for (StoreListing& listing : reader_()) {
        playlists.push_back(std::make_shared<ListedPlaylist>(std::move(listing), songs_));
    }
    return PlaylistArray(std::move(playlists));
}

PlaylistArray StoreLibrary::getByName(const QString& name) const {
    std::vector<std::shared_ptr<const Playlist>> playlists;
    for (StoreListing& listing : reader_()) {
        if (listing.name == name) {
            playlists.push_back(std::make_shared<ListedPlaylist>(std::move(listing), songs_));
        }
    }
    return PlaylistArray(std::move(playlists));
}

} // namespace corvane::library
