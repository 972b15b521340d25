#pragma once

#include <QString>
#include <optional>
#include <vector>

// Where an MPD server is: a SOURCE "mpd://[PASSWORD@]HOST[:PORT]", or "mpd://" (or "mpd:") alone
// for the default server as MPD clients find it. Pure: the environment comes in as values, and
// nothing is looked up or opened here.
namespace corvane::library {

inline constexpr unsigned MpdDefaultPort = 6600;

struct MpdEndpoint {
    QString host;      // a host name or address, a socket path ("/run/mpd/socket") or "@abstract"
    unsigned port = 0; // 0 for a socket
    // "pi:6600", "[::1]:6600", "/run/mpd/socket", "@mpd": how messages name the server.
    QString text() const;
    bool operator==(const MpdEndpoint&) const = default;
};

struct MpdAddress {
    std::vector<MpdEndpoint> endpoints; // tried in this order until one answers
    QString password;                   // empty: none
};

// The variables MPD clients read for the default server.
struct MpdEnvironment {
    QString host;       // $MPD_HOST: "host", "password@host", a socket path or "@abstract"
    QString port;       // $MPD_PORT
    QString runtimeDir; // $XDG_RUNTIME_DIR, whose mpd/socket is the user's own server
};

// True for a SOURCE that names an MPD server ("mpd:" in any case).
bool isMpdSource(const QString& source);

// The address that `source` names. The default server: $MPD_HOST (with $MPD_PORT), else
// $XDG_RUNTIME_DIR/mpd/socket, else localhost:6600. Returns nullopt and sets *error (why, one
// line) when `source` or $MPD_PORT is malformed.
std::optional<MpdAddress> parseMpdSource(const QString& source, const MpdEnvironment& environment,
                                         QString* error);

} // namespace corvane::library
