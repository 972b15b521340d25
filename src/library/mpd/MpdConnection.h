#pragma once

#include "library/mpd/MpdAddress.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct mpd_connection;

// Reaching an MPD server: one connection kept open between calls, and a quick look whether a
// server greets at all.
namespace corvane::library {

// One connection, which waits in MPD's "idle" between calls so that the server tells what
// changed meanwhile. A connection the server dropped meanwhile is opened again, once; any other
// failure throws LibraryError in one line naming the server.
class MpdConnection {
public:
    // `watched`: the idle events (mpd_idle bits) waited for; `changed` hears those the server
    // told, and all of them on connecting anew (changes made meanwhile went untold).
    // `timeoutSeconds` bounds each wait for the server. Connects on the first run.
    MpdConnection(MpdAddress address, unsigned timeoutSeconds, unsigned watched,
                  std::function<void(unsigned events)> changed);
    ~MpdConnection();
    MpdConnection(const MpdConnection&) = delete;
    MpdConnection& operator=(const MpdConnection&) = delete;

    // Runs `request` on the connection ready for commands, and leaves it idle again.
    template <class Request> auto run(Request&& request) {
        std::optional<decltype(request(static_cast<mpd_connection*>(nullptr)))> result;
        runRequest([&](mpd_connection* c) { result.emplace(request(c)); });
        return std::move(*result);
    }

    // Throws the connection's failure while `doing`, in one line. The connection is dropped
    // unless the server merely refused a command.
    [[noreturn]] void fail(const QString& doing);

private:
    struct Free {
        void operator()(mpd_connection* c) const;
    };

    void runRequest(const std::function<void(mpd_connection*)>& request);
    void begin();
    void end();
    void connect();

    MpdAddress address_;
    unsigned timeoutSeconds_ = 0;
    unsigned watched_ = 0;
    std::function<void(unsigned)> changed_;
    std::unique_ptr<mpd_connection, Free> connection_;
    QString server_;    // "MPD at pi:6600", for messages
    bool idle_ = false; // the connection waits in "idle"
};

// The first endpoint of `address` where an MPD server greets within `timeoutMs` in all; nothing
// when none does. Looking costs no more than that, however the endpoints fail to answer.
std::optional<MpdEndpoint> answeringMpdEndpoint(const MpdAddress& address, int timeoutMs);

} // namespace corvane::library
