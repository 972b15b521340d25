#pragma once

#include "library/mpd/MpdAddress.h"

#include <QString>
#include <functional>
#include <sys/types.h>

struct mpd_connection;

namespace corvane::library::test {

// SIGKILL, and waits for the child to end.
void killServer(pid_t& pid);

// A real MPD server for the tests and the benchmark: /usr/bin/mpd on a configuration of its own
// (a null audio output, 127.0.0.1 on a free port and a socket in its folder, its own database and
// sticker files), run in the foreground and killed at the end. It never touches a server that
// runs already.
class MpdTestServer {
public:
    struct Options {
        QString folder;       // the music (in folder/music), database, stored playlists, socket
        QString password;     // when set, the password gives every permission and none without
        bool stickers = true; // a sticker database (the ratings)
    };

    explicit MpdTestServer(Options options);
    ~MpdTestServer();
    MpdTestServer(const MpdTestServer&) = delete;
    MpdTestServer& operator=(const MpdTestServer&) = delete;

    // Starts the server (again: on the same files and port) and waits until it answers. Returns
    // why it could not, or nothing.
    QString start();
    // SIGKILL, as a crash or a power cut would.
    void kill() { killServer(pid_); }

    QString musicFolder() const { return options_.folder + QStringLiteral("/music"); }
    QString socketPath() const;
    unsigned port() const { return port_; }
    // Over TCP, with the password.
    MpdAddress address() const;

    // Runs `commands` on a new connection (logged in). Returns the server's error, or nothing.
    QString run(const std::function<bool(mpd_connection*)>& commands) const;
    // Scans the music folder (every file with `rescan`, else the changed ones) and waits until the
    // database holds what it found.
    QString update(bool rescan = false) const;

private:
    QString launch();

    Options options_;
    unsigned port_ = 0;
    pid_t pid_ = -1;
    bool started_ = false; // once: the port is the server's from then on
};

// A TCP port on 127.0.0.1 that nothing listens on now.
unsigned freePort();

// Runs `command` (a program and its arguments) with the variables of `environment` ("NAME=value")
// set and its output to the file `output`, as a child that goes when the test goes, and waits
// until an MPD client connects at `host` (a socket, or an address with `port`). The child, or -1
// and why not in `why` (one that does not answer within `seconds` is killed).
pid_t startServer(const QStringList& command, const QStringList& environment, const QString& output,
                  const QString& host, unsigned port, int seconds, QString* why);

} // namespace corvane::library::test
