#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// Reading songs from their files takes a while on a large library: these let the library say how
// far it is, be asked to stop, and read ahead while nothing else is asked of it.
namespace corvane::library {

// Between a library that reads a listing's songs from their files and whoever shows it. Every
// member may be called from any thread.
class ReadProgress {
public:
    struct Now {
        int done = 0;
        int total = 0; // 0: no songs are being read
    };

    // By the library: `done` of the `total` songs that must be read from disk are read. The
    // listener, when set, hears it on the reading thread.
    void report(int done, int total) {
        now_.store(static_cast<std::uint64_t>(static_cast<std::uint32_t>(done)) << 32 |
                   static_cast<std::uint32_t>(total));
        if (listener_) {
            listener_({done, total});
        }
    }
    Now now() const {
        const std::uint64_t now = now_.load();
        return {static_cast<int>(now >> 32), static_cast<int>(now & 0xffffffffU)};
    }
    // Set before the library is used.
    void setListener(std::function<void(Now)> listener) { listener_ = std::move(listener); }

    // Asks the library to stop reading (the program is closing): a listing under way ends early,
    // and the songs it did not read fail.
    void stop() { stopped_.store(true); }
    // The same for the listing under way only (the user cancels it); resume() lets the next one
    // go on.
    void cancel() { cancelled_.store(true); }
    void resume() { cancelled_.store(false); }
    bool stopped() const { return stopped_.load() || cancelled_.load(); }

private:
    std::atomic<std::uint64_t> now_{0};
    std::atomic<bool> stopped_{false};
    std::atomic<bool> cancelled_{false};
    std::function<void(Now)> listener_;
};

// A library that can read the songs of its playlists ahead, at low priority, so that a playlist's
// first listing is served from what was read (and kept in the tag index for later runs).
class ReadAhead {
public:
    virtual ~ReadAhead() = default;
    // Reads the songs of every playlist of the last list of playlists that were not read yet.
    // Returns true when all are read, false as soon as `stop` says so (within about one song's
    // read). Never called while another call on the library runs.
    virtual bool readAhead(const std::function<bool()>& stop) const = 0;
};

} // namespace corvane::library
