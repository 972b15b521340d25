#include "library/MemoryLibrary.h"

#include <algorithm>

namespace corvane::library {

MemorySong::MemorySong(SongData data)
    : title_(std::move(data.title))
    , seconds_(data.seconds)
    , info_{secondsText(data.seconds), QString::number(data.rating), std::move(data.artist),
            std::move(data.genre),     std::move(data.year),         std::move(data.album),
            std::move(data.fileType)} {}

QString MemorySong::name() const {
    return title_;
}

QString MemorySong::durationString() const {
    return durationText(seconds_);
}

QString MemorySong::getItemInfo(const QString& attribute) const {
    return info_.get(attribute);
}

std::shared_ptr<const MediaItem> MemoryPlaylist::item(int index) const {
    if (index < 0 || index >= count()) {
        throw LibraryError("song index out of range");
    }
    return songs_[static_cast<std::size_t>(index)];
}

MemoryPlaylist& MemoryPlaylist::add(SongData song) {
    return add(std::make_shared<const MemorySong>(std::move(song)));
}

MemoryPlaylist& MemoryPlaylist::add(std::shared_ptr<const MediaItem> song) {
    songs_.push_back(std::move(song));
    return *this;
}

MemoryPlaylist& MemoryLibrary::addPlaylist(const QString& name) {
    playlists_.push_back(std::make_shared<MemoryPlaylist>(name));
    return *playlists_.back();
}

void MemoryLibrary::removePlaylist(const QString& name) {
    std::erase_if(playlists_, [&](const auto& p) { return p->name() == name; });
}

std::shared_ptr<const PlaylistCollection> MemoryLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray MemoryLibrary::getAll() const {
    return PlaylistArray({playlists_.begin(), playlists_.end()});
}

PlaylistArray MemoryLibrary::getByName(const QString& name) const {
    std::vector<std::shared_ptr<const Playlist>> found;
    std::copy_if(playlists_.begin(), playlists_.end(), std::back_inserter(found),
                 [&](const auto& p) { return p->name() == name; });
    return PlaylistArray(std::move(found));
}

} // namespace corvane::library
