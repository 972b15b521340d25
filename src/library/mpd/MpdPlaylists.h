#pragma once

#include "library/MediaLibrary.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <ctime>
#include <memory>
#include <vector>

struct mpd_connection;

// An MPD server's stored playlists, and their songs with the tags of the server's database,
// each playlist's kept while it is unchanged.
namespace corvane::library {

class MpdConnection;
class MpdRatings;

using MpdSongs = std::vector<std::shared_ptr<const ReadySong>>;

struct MpdListed {
    QString name;
    time_t modified = 0;
};

class MpdPlaylists {
public:
    MpdPlaylists(MpdConnection& connection, MpdRatings& ratings)
        : connection_(connection)
        , ratings_(ratings) {}

    // The stored playlists, in the server's order.
    std::vector<MpdListed> list(mpd_connection* c);
    // The songs of `playlist`, read in one request unless they are known and unchanged.
    std::shared_ptr<const MpdSongs> songsOf(mpd_connection* c, const MpdListed& playlist);
    // The songs of the playlist named `name` as it is now; none when it is gone.
    std::shared_ptr<const MpdSongs> currentSongs(mpd_connection* c, const QString& name);
    // Forgets every playlist's songs when `events` (mpd_idle bits) tell of a change to a
    // playlist, the tags or the ratings: it may show in any playlist's songs.
    void changed(unsigned events);

    // How many times a playlist's songs were read from the server so far.
    long long reads() const { return reads_; }

private:
    // The playlist's songs in order: `songs` (whose URIs are `known`) and, between them, those
    // the server listed only by URI.
    MpdSongs withUnknownSongs(mpd_connection* c, const QString& name, const QStringList& known,
                              MpdSongs songs);

    struct Cached {
        time_t modified = 0;
        std::shared_ptr<const MpdSongs> songs;
    };

    MpdConnection& connection_;
    MpdRatings& ratings_;
    QHash<QString, Cached> songs_; // by playlist name
    long long reads_ = 0;
};

} // namespace corvane::library
