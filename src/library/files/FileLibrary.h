// library/files/: the playlist-file library: finding playlist files and their entries on disk,
// resolving the entries' paths (PathResolver), MPD's configuration for its playlist folder
// (MpdConf). Uses songs/, playlists/, disk/ and the library interface.
#pragma once

#include "library/MediaLibrary.h"
#include "library/Reading.h"

#include <QString>
#include <memory>

// The library on disk: the playlist files in a folder and below it (or one playlist file), and
// the songs they name, read with TagLib.
namespace corvane::library {

// SOURCE: a folder (its playlist files in it and below) or one playlist file. Returns nullptr
// and sets *error (one line naming the source and why) when it does not exist or cannot be read.
std::shared_ptr<Player> openFileLibrary(const QString& source, QString* error,
                                        const LibraryOptions& options = {});

// True when the folder or any folder below it holds a playlist file.
bool holdsPlaylistFile(const QString& folder);

// The backend behind openFileLibrary. Every getAll / getByName looks at the playlist files
// again, but a playlist file is parsed again only when it changed, and a song's file is read
// at most once while it stays unchanged (same size, modification time and inode; see
// SongFiles.h). getByName has the songs of the playlists it finds.
class FileLibrary final : public Player,
                          public PlaylistCollection,
                          public ReadAhead,
                          public std::enable_shared_from_this<FileLibrary> {
public:
    // `source` as for openFileLibrary, known to exist. A playlist's songs are sought as its
    // entries name them, else below the library's folder, the music folder of `options`, MPD's
    // music folder for a playlist in MPD's playlist folder, and the user's music folder.
    explicit FileLibrary(const QString& source, const LibraryOptions& options = {});
    ~FileLibrary() override;

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const PlaylistCollection> playlistCollection() const override;
    PlaylistArray getAll() const override;
    PlaylistArray getByName(const QString& name) const override;
    // The songs of the playlists of the last getAll.
    bool readAhead(const std::function<bool()>& stop) const override;

    // How many times an audio file, or a playlist file, was opened and read so far.
    long long audioFileReads() const;
    long long playlistFileReads() const;
    // How many playlist files the last listing found, read or not.
    qsizetype playlistFilesFound() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace corvane::library
