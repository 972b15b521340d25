#pragma once

#include <QHash>
#include <QString>
#include <optional>

struct mpd_connection;

// The ratings MPD's clients keep as "rating" stickers (0-10).
namespace corvane::library {

class MpdConnection;

class MpdRatings {
public:
    // The ratings of all rated songs (0-99 by song URI), read in one request over `c` unless
    // known. A server without a sticker database (or that does not let this client read it) has
    // none.
    const QHash<QString, int>& all(MpdConnection& connection, mpd_connection* c);
    // Forgets them when `events` (mpd_idle bits) tell of a change to the songs or the stickers.
    void changed(unsigned events);

private:
    std::optional<QHash<QString, int>> ratings_;
};

} // namespace corvane::library
