#include "library/MemoryLibrary.h"

#include <algorithm>

namespace corvane::library {
namespace {

void failIf(const SongData& song, const QString& member) {
    if (song.failing.contains(member)) {
        throw LibraryError("cannot read " + member.toStdString());
    }
}

} // namespace

MemorySong::MemorySong(SongData data)
    : data_(std::move(data))
    , info_{QString::number(data_.seconds, 'g', 12),
            QString::number(data_.rating),
            data_.artist,
            data_.genre,
            data_.year,
            data_.album,
            data_.fileType} {}

QString MemorySong::name() const {
    failIf(data_, QStringLiteral("Name"));
    return data_.title;
}

QString MemorySong::durationString() const {
    failIf(data_, QStringLiteral("durationString"));
    return durationText(data_.seconds);
}

QString MemorySong::getItemInfo(const QString& attribute) const {
    failIf(data_, attribute);
    return info_.get(attribute);
}

std::shared_ptr<const MediaItem> MemoryPlaylist::item(int index) const {
    if (index < 0 || index >= count()) {
        throw LibraryError("song index out of range");
    }
    return songs_[static_cast<std::size_t>(index)];
}

MemoryPlaylist& MemoryPlaylist::add(SongData song) {
    songs_.push_back(std::make_shared<const MemorySong>(std::move(song)));
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
