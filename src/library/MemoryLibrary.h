#pragma once

#include "library/MediaLibrary.h"

// A library built in code: any number of playlists and songs, for tests and benchmarks.
namespace corvane::library {

struct SongData {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString genre;
    int rating = 0;       // "UserRating", 0-99
    double seconds = 0.0; // "Duration"
    QString fileType;
};

class MemorySong final : public MediaItem {
public:
    explicit MemorySong(SongData data);
    QString name() const override;
    QString durationString() const override;
    QString getItemInfo(const QString& attribute) const override;

private:
    QString title_;
    double seconds_;
    ItemInfo info_;
};

class MemoryPlaylist final : public Playlist {
public:
    explicit MemoryPlaylist(QString name)
        : name_(std::move(name)) {}
    QString name() const override { return name_; }
    int count() const override { return static_cast<int>(songs_.size()); }
    std::shared_ptr<const MediaItem> item(int index) const override;

    MemoryPlaylist& add(SongData song);
    MemoryPlaylist& add(std::shared_ptr<const MediaItem> song);
    void clear() { songs_.clear(); }

private:
    QString name_;
    std::vector<std::shared_ptr<const MediaItem>> songs_;
};

class MemoryLibrary final : public Player,
                            public PlaylistCollection,
                            public std::enable_shared_from_this<MemoryLibrary> {
public:
    // Adds an empty playlist at the end of getAll()'s order; the reference stays valid.
    MemoryPlaylist& addPlaylist(const QString& name);
    void removePlaylist(const QString& name);

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const PlaylistCollection> playlistCollection() const override;
    PlaylistArray getAll() const override;
    PlaylistArray getByName(const QString& name) const override;

private:
    std::vector<std::shared_ptr<MemoryPlaylist>> playlists_;
};

} // namespace corvane::library
