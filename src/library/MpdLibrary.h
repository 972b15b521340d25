#pragma once

#include "library/MediaLibrary.h"
#include "library/MpdAddress.h"
#include "library/Reading.h"

#include <QString>
#include <memory>
#include <optional>

// An MPD server's stored playlists, and their songs with the tags and ratings that the server
// knows, read with libmpdclient.
namespace corvane::library {

// SOURCE "mpd:..." (see MpdAddress.h); the default server is found from this process's
// environment. Connects at once: returns nullptr and sets *error (one line naming the server and
// why) when the server cannot be reached or read.
std::shared_ptr<Player> openMpdLibrary(const QString& source, QString* error,
                                       std::shared_ptr<const ReadProgress> progress = {});

// The first endpoint of `address` where an MPD server greets within `timeoutMs` in all; nothing
// when none does. Looking costs no more than that, however the endpoints fail to answer.
std::optional<MpdEndpoint> answeringMpdEndpoint(const MpdAddress& address, int timeoutMs);

// A server that never ends its answer must not keep the program: each answer is bounded as a
// whole, in time and in entries. One past its bounds fails (and the connection is dropped).
struct MpdBounds {
    int answerSeconds = 30;
    int maxSongs = 1'000'000;
    int maxPlaylists = 100'000;
    // A listing stops as soon as this says so (the window closes); may be null.
    std::shared_ptr<const ReadProgress> progress{};
};

// The backend behind openMpdLibrary. It keeps one connection, which waits in MPD's "idle"
// between calls so that the server tells what changed meanwhile: a playlist's songs are read
// again only when the playlist, the database or the ratings changed. A connection the server
// dropped meanwhile is opened again, once; any other failure throws LibraryError, and nothing
// read before it stands in.
class MpdLibrary final : public Player,
                         public PlaylistCollection,
                         public std::enable_shared_from_this<MpdLibrary> {
public:
    static constexpr int DefaultTimeoutSeconds = 5;

    using Bounds = MpdBounds;

    // Connects, logs in and reads the list of playlists; throws LibraryError when that fails.
    // `timeoutSeconds` bounds each wait for the server.
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
