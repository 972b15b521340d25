// library/mpd/: an MPD server as a library, read over libmpdclient: its address (MpdAddress),
// the connection (MpdConnection), the stored playlists' songs (MpdPlaylists), the ratings
// (MpdRatings) and the library made of them (this file). Uses songs/ (ratings), playlists/
// (names) and the library interface.
#pragma once

#include "library/MediaLibrary.h"
#include "library/Reading.h"
#include "library/mpd/MpdAddress.h"
#include "library/mpd/MpdConnection.h"

#include <QString>
#include <memory>

// An MPD server's stored playlists, and their songs with the tags and ratings that the server
// knows, read with libmpdclient.
namespace corvane::library {

// SOURCE "mpd:..." (see MpdAddress.h); the default server is found from this process's
// environment. Connects at once: returns nullptr and sets *error (one line naming the server and
// why) when the server cannot be reached or read.
std::shared_ptr<Player> openMpdLibrary(const QString& source, QString* error,
                                       std::shared_ptr<const ReadProgress> progress = {});

// The backend behind openMpdLibrary. Its connection waits in MPD's "idle" between calls, so that
// a playlist's songs are read again only when the playlist, the database or the ratings changed.
// A failure throws LibraryError, and nothing read before it stands in.
class MpdLibrary final : public Player,
                         public PlaylistCollection,
                         public std::enable_shared_from_this<MpdLibrary> {
public:
    static constexpr int DefaultTimeoutSeconds = 5;

    using Bounds = MpdBounds;

    // Connects, logs in and reads the list of playlists; throws LibraryError when that fails.
    // `timeoutSeconds` bounds each wait for the server, `bounds` each answer.
    explicit MpdLibrary(MpdAddress address, int timeoutSeconds = DefaultTimeoutSeconds,
                        Bounds bounds = {});
    ~MpdLibrary() override;

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const PlaylistCollection> playlistCollection() const override;
    PlaylistArray getAll() const override;
    PlaylistArray getByName(const QString& name) const override;

    // How many times a playlist's songs were read from the server so far.
    long long playlistReads() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace corvane::library
