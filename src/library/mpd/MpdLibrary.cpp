#include "library/mpd/MpdLibrary.h"

#include "library/mpd/MpdConnection.h"
#include "library/mpd/MpdPlaylists.h"
#include "library/mpd/MpdRatings.h"
#include "library/playlists/PlaylistFormats.h"

#include <algorithm>
#include <mpd/client.h>

namespace corvane::library {

// The library's parts: the connection tells the playlists' songs and the ratings what changed.
struct MpdLibrary::State {
    State(MpdAddress address, unsigned timeoutSeconds, MpdBounds bounds)
        : connection(
              std::move(address), timeoutSeconds,
              MPD_IDLE_STORED_PLAYLIST | MPD_IDLE_DATABASE | MPD_IDLE_STICKER,
              [this](unsigned events) {
                  playlists.changed(events);
                  ratings.changed(events);
              },
              std::move(bounds))
        , playlists(connection, ratings) {}

    MpdConnection connection;
    MpdRatings ratings;
    MpdPlaylists playlists;
};

namespace {

// A stored playlist. One from getAll reads its songs when first asked; one from getByName
// comes with them. Either keeps the songs it read, so one listing never mixes two readings.
class MpdPlaylist final : public Playlist {
public:
    MpdPlaylist(QString name, std::shared_ptr<MpdLibrary::State> state,
                std::shared_ptr<const MpdSongs> songs)
        : name_(std::move(name))
        , state_(std::move(state))
        , songs_(std::move(songs)) {}

    QString name() const override { return name_; }
    int count() const override { return static_cast<int>(songs().size()); }

    std::shared_ptr<const MediaItem> item(int index) const override {
        const MpdSongs& all = songs();
        if (index < 0 || index >= static_cast<int>(all.size())) {
            throw LibraryError("song index out of range");
        }
        return all[static_cast<std::size_t>(index)];
    }

private:
    const MpdSongs& songs() const {
        if (!songs_) {
            songs_ = state_->connection.run(
                [&](mpd_connection* c) { return state_->playlists.currentSongs(c, name_); });
        }
        return *songs_;
    }

    QString name_;
    std::shared_ptr<MpdLibrary::State> state_;
    mutable std::shared_ptr<const MpdSongs> songs_;
};

} // namespace

MpdLibrary::MpdLibrary(MpdAddress address, int timeoutSeconds, Bounds bounds)
    : state_(std::make_shared<State>(std::move(address),
                                     static_cast<unsigned>(std::max(timeoutSeconds, 1)),
                                     std::move(bounds))) {
    // Reading the list proves that the server answers and lets this client read.
    state_->connection.run([&](mpd_connection* c) { return state_->playlists.list(c); });
}

MpdLibrary::~MpdLibrary() = default;

std::shared_ptr<const PlaylistCollection> MpdLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray MpdLibrary::getAll() const {
    std::vector<MpdListed> listed =
        state_->connection.run([&](mpd_connection* c) { return state_->playlists.list(c); });
    const PlaylistNameOrder order;
    std::sort(listed.begin(), listed.end(),
              [&](const MpdListed& a, const MpdListed& b) { return order(a.name, b.name); });
    std::vector<std::shared_ptr<const Playlist>> playlists;
    playlists.reserve(listed.size());
    for (MpdListed& playlist : listed) {
        playlists.push_back(
            std::make_shared<MpdPlaylist>(std::move(playlist.name), state_, nullptr));
    }
    return PlaylistArray(std::move(playlists));
}

PlaylistArray MpdLibrary::getByName(const QString& name) const {
    return state_->connection.run([&](mpd_connection* c) {
        for (const MpdListed& playlist : state_->playlists.list(c)) {
            if (playlist.name == name) {
                return PlaylistArray({std::make_shared<MpdPlaylist>(
                    playlist.name, state_, state_->playlists.songsOf(c, playlist))});
            }
        }
        return PlaylistArray();
    });
}

long long MpdLibrary::playlistReads() const {
    return state_->playlists.reads();
}

std::shared_ptr<Player> openMpdLibrary(const QString& source, QString* error,
                                       std::shared_ptr<const ReadProgress> progress) {
    const MpdEnvironment environment{qEnvironmentVariable("MPD_HOST"),
                                     qEnvironmentVariable("MPD_PORT"),
                                     qEnvironmentVariable("XDG_RUNTIME_DIR")};
    QString why;
    const std::optional<MpdAddress> address = parseMpdSource(source, environment, &why);
    try {
        if (!address) {
            throw LibraryError(QStringLiteral("cannot read the library \"%1\": %2")
                                   .arg(source, why)
                                   .toStdString());
        }
        return std::make_shared<MpdLibrary>(*address, MpdLibrary::DefaultTimeoutSeconds,
                                            MpdLibrary::Bounds{.progress = std::move(progress)});
    } catch (const std::exception& e) {
        if (error) {
            *error = QString::fromUtf8(e.what());
        }
        return nullptr;
    }
}

} // namespace corvane::library
