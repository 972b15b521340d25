#pragma once

#include "library/Reading.h"
#include "library/mpd/MpdAddress.h"

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

struct mpd_connection;

// Reaching an MPD server: one connection kept open between calls, and a quick look whether a
// server greets at all.
namespace corvane::library {

// A server that never ends its answer must not keep the program: each answer is bounded as a
// whole, in time and in entries. One past its bounds fails (and the connection is dropped).
struct MpdBounds {
    int answerSeconds = 30;
    int maxSongs = 1'000'000;
    int maxPlaylists = 100'000;
    // A listing stops as soon as this says so (the window closes, the user cancels); may be null.
    std::shared_ptr<const ReadProgress> progress{};
};

// One connection, which waits in MPD's "idle" between calls so that the server tells what
// changed meanwhile. A connection the server dropped meanwhile is opened again, once; any other
// failure throws LibraryError in one line naming the server.
class MpdConnection {
public:
    // `watched`: the idle events (mpd_idle bits) waited for; `changed` hears those the server
    // told, and all of them on connecting anew (changes made meanwhile went untold).
    // `timeoutSeconds` bounds each wait for the server. Connects on the first run.
    MpdConnection(MpdAddress address, unsigned timeoutSeconds, unsigned watched,
                  std::function<void(unsigned events)> changed, MpdBounds bounds = {});
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
    // Drops the connection (in the middle of an answer) and throws `why` in one line naming the
    // server.
    [[noreturn]] void abandon(const QString& why);

    const MpdBounds& bounds() const { return bounds_; }

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
    MpdBounds bounds_;
};

// One answer as it comes in: past its deadline or its cap of entries, or once the reading is
// stopped, it fails in one line, and the connection is dropped.
class MpdAnswer {
public:
    MpdAnswer(MpdConnection& connection, QString doing, int cap, const char* entries);

    const QString& doing() const { return doing_; }
    // After each entry received, `count` in all.
    void received(std::size_t count);

private:
    MpdConnection& connection_;
    QString doing_;
    int cap_;
    const char* entries_;
    std::chrono::steady_clock::time_point deadline_;
};

// The first endpoint of `address` where an MPD server greets within `timeoutMs` in all; nothing
// when none does. Looking costs no more than that, however the endpoints fail to answer.
std::optional<MpdEndpoint> answeringMpdEndpoint(const MpdAddress& address, int timeoutMs);

} // namespace corvane::library
