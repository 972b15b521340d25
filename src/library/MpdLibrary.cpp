#include "library/MpdLibrary.h"

#include "library/FileName.h"
#include "library/PlaylistFormats.h"
#include "library/Rating.h"
#include "library/SharedTexts.h"

#include <QHash>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mpd/client.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::library {
namespace {

using Connection = std::unique_ptr<mpd_connection, decltype(&mpd_connection_free)>;

// The changes that matter here: stored playlists, the songs' tags, their ratings.
constexpr auto WatchedEvents =
    static_cast<mpd_idle>(MPD_IDLE_STORED_PLAYLIST | MPD_IDLE_DATABASE | MPD_IDLE_STICKER);

// Writing to a connection that the server closed raises SIGPIPE, which would end the program.
// While a guard lives, this thread holds SIGPIPE back, and drops one that it raised itself.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &saved_);
    }
    ~SigpipeGuard() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t pipe_{};
    sigset_t saved_{};
    bool wasPending_ = false;
};

using Songs = std::vector<std::shared_ptr<const ReadySong>>;

// A tag's values, as the file backend joins them, kept to the bound of texts from outside.
QString tagText(const mpd_song* song, mpd_tag_type tag) {
    QString text;
    for (unsigned i = 0; const char* value = mpd_song_get_tag(song, tag, i); ++i) {
        if (i > 0) {
            text += QStringLiteral("; ");
        }
        text += QString::fromUtf8(value);
        if (text.size() > MaxOutsideText) {
            break;
        }
    }
    return boundedText(text.trimmed());
}

std::shared_ptr<const ReadySong> songOf(const mpd_song* song, const QHash<QString, int>& ratings,
                                        SharedTexts& shared) {
    const QString uri = QString::fromUtf8(mpd_song_get_uri(song));
    const QString file = locationName(uri);
    const unsigned milliseconds = mpd_song_get_duration_ms(song);
    // A song that the database does not hold (a stale entry, or a stream) comes as its name alone.
    if (mpd_song_get_last_modified(song) == 0 && milliseconds == 0) {
        return std::make_shared<const ReadySong>(file, QString(), ItemInfo{});
    }
    const qsizetype dot = file.lastIndexOf(u'.');
    QString title = tagText(song, MPD_TAG_TITLE);
    if (title.isEmpty()) {
        title = dot > 0 ? file.left(dot) : file;
    }
    const double seconds = songLength(milliseconds / 1000.0);
    const bool known = seconds >= 0;
    // Every text but the title is one of a few that the playlist's songs share.
    return std::make_shared<const ReadySong>(
        std::move(title), shared(known ? durationText(seconds) : QString()),
        ItemInfo{shared(known ? secondsText(seconds) : QString()),
                 shared(QString::number(ratings.value(uri))), shared(tagText(song, MPD_TAG_ARTIST)),
                 shared(tagText(song, MPD_TAG_GENRE)), shared(yearOf(tagText(song, MPD_TAG_DATE))),
                 shared(tagText(song, MPD_TAG_ALBUM)),
                 shared(dot > 0 ? file.mid(dot + 1).toLower() : QString())});
}

struct Listed {
    QString name;
    time_t modified = 0;
};

} // namespace

struct MpdLibrary::State {
    MpdAddress address;
    unsigned timeoutSeconds = 0;
    Bounds bounds;
    Connection connection{nullptr, &mpd_connection_free};
    QString server;    // "MPD at pi:6600", for messages
    bool idle = false; // the connection waits in "idle"

    struct Cached {
        time_t modified = 0;
        std::shared_ptr<const Songs> songs;
    };
    QHash<QString, Cached> songs;               // by playlist name
    std::optional<QHash<QString, int>> ratings; // 0-99 by song URI; only rated songs
    long long playlistReads = 0;

    // Runs `request` on a connection ready for commands, and leaves the connection idle again.
    template <class Request> auto run(Request&& request) {
        const SigpipeGuard guard;
        begin();
        try {
            auto result = request(connection.get());
            end();
            return result;
        } catch (...) {
            end();
            throw;
        }
    }

    void begin() {
        if (connection && idle) {
            idle = false;
            const unsigned events = mpd_run_noidle(connection.get());
            if (mpd_connection_get_error(connection.get()) == MPD_ERROR_SUCCESS) {
                forget(events);
            } else {
                // The server dropped the connection meanwhile (restarted, or the network went).
                connection.reset();
            }
        }
        if (!connection) {
            connect();
        }
    }

    void end() {
        if (connection && !mpd_send_idle_mask(connection.get(), WatchedEvents)) {
            connection.reset();
        }
        idle = connection != nullptr;
    }

    // A change to a playlist, the tags or the ratings may show in any playlist's songs.
    void forget(unsigned events) {
        if (events & WatchedEvents) {
            songs.clear();
        }
        if (events & (MPD_IDLE_DATABASE | MPD_IDLE_STICKER)) {
            ratings.reset();
        }
    }

    // Connects to the first endpoint that answers, and logs in. Whatever was read over an
    // earlier connection is forgotten: changes made meanwhile went untold.
    void connect() {
        forget(WatchedEvents);
        QStringList tried;
        QString why;
        for (const MpdEndpoint& endpoint : address.endpoints) {
            // Whole seconds: libmpdclient 2.20 takes a timeout's milliseconds for microseconds.
            Connection opened(mpd_connection_new(endpoint.host.toUtf8().constData(), endpoint.port,
                                                 timeoutSeconds * 1000),
                              &mpd_connection_free);
            if (!opened) {
                throw LibraryError("out of memory");
            }
            server = QStringLiteral("MPD at ") + endpoint.text();
            const mpd_error error = mpd_connection_get_error(opened.get());
            if (error == MPD_ERROR_SYSTEM || error == MPD_ERROR_RESOLVER) {
                // Nobody there: the next place a server may be.
                tried.push_back(endpoint.text());
                why = QString::fromUtf8(mpd_connection_get_error_message(opened.get()));
                continue;
            }
            connection = std::move(opened);
            if (error != MPD_ERROR_SUCCESS) {
                fail(QStringLiteral("connecting"));
            }
            // "noidle" follows "idle" with no answer between: without this, Nagle's algorithm
            // holds it back until the server's delayed acknowledgement (40 ms) on every call.
            const int on = 1;
            setsockopt(mpd_connection_get_fd(connection.get()), IPPROTO_TCP, TCP_NODELAY, &on,
                       sizeof on);
            break;
        }
        if (!connection) {
            throw LibraryError(QStringLiteral("MPD at %1: no server there (%2)")
                                   .arg(tried.join(QStringLiteral(" or ")), why.simplified())
                                   .toStdString());
        }
        if (!address.password.isEmpty() &&
            !mpd_run_password(connection.get(), address.password.toUtf8().constData())) {
            fail(QStringLiteral("logging in"));
        }
    }

    // Throws the connection's failure while `doing`, in one line. The connection is dropped
    // unless the server merely refused a command.
    [[noreturn]] void fail(const QString& doing) {
        mpd_connection* c = connection.get();
        bool keep = false;
        const QString detail = QString::fromUtf8(mpd_connection_get_error_message(c)).simplified();
        QString why;
        switch (mpd_connection_get_error(c)) {
        case MPD_ERROR_SERVER:
            switch (mpd_connection_get_server_error(c)) {
            case MPD_SERVER_ERROR_PASSWORD:
                why = QStringLiteral("wrong password");
                break;
            case MPD_SERVER_ERROR_PERMISSION:
                why = address.password.isEmpty()
                          ? QStringLiteral("the server wants a password (mpd://PASSWORD@HOST)")
                          : QStringLiteral("the password does not allow %1").arg(doing);
                break;
            default:
                why = QStringLiteral("%1 failed: %2").arg(doing, detail);
                break;
            }
            keep = mpd_connection_clear_error(c);
            break;
        case MPD_ERROR_TIMEOUT:
            why = QStringLiteral("no answer within %1 second%2 while %3")
                      .arg(timeoutSeconds)
                      .arg(timeoutSeconds == 1 ? "" : "s", doing);
            break;
        case MPD_ERROR_CLOSED:
            why = QStringLiteral("the server closed the connection while %1").arg(doing);
            break;
        case MPD_ERROR_MALFORMED:
            why = QStringLiteral("the server does not speak MPD's protocol (%1)").arg(detail);
            break;
        default:
            why = QStringLiteral("%1 while %2").arg(detail, doing);
            break;
        }
        if (!keep) {
            connection.reset();
        }
        throw LibraryError((server + QStringLiteral(": ") + why).toStdString());
    }

    // One answer as it comes in: past its deadline or its cap of entries, or once the reading
    // is stopped, it fails in one line, and the connection (mid-answer) is dropped.
    class Answer {
    public:
        Answer(State& state, QString doing, int cap, const char* entries)
            : state_(state)
            , doing_(std::move(doing))
            , cap_(cap)
            , entries_(entries)
            , deadline_(std::chrono::steady_clock::now() +
                        std::chrono::seconds(state.bounds.answerSeconds)) {}

        const QString& doing() const { return doing_; }

        // After each entry received, `count` in all.
        void received(std::size_t count) {
            QString why;
            if (count > static_cast<std::size_t>(cap_)) {
                why = QStringLiteral("more than %1 %2 while %3; no more are read")
                          .arg(QLocale(QLocale::English).toString(cap_), QLatin1String(entries_),
                               doing_);
            } else if (state_.bounds.progress && state_.bounds.progress->stopped()) {
                why = QStringLiteral("stopped while %1").arg(doing_);
            } else if (std::chrono::steady_clock::now() > deadline_) {
                why = QStringLiteral("no whole answer within %1 second%2 while %3")
                          .arg(state_.bounds.answerSeconds)
                          .arg(state_.bounds.answerSeconds == 1 ? "" : "s", doing_);
            } else {
                return;
            }
            state_.connection.reset();
            throw LibraryError((state_.server + QStringLiteral(": ") + why).toStdString());
        }

    private:
        State& state_;
        QString doing_;
        int cap_;
        const char* entries_;
        std::chrono::steady_clock::time_point deadline_;
    };

    std::vector<Listed> listPlaylists(mpd_connection* c) {
        Answer answer(*this, QStringLiteral("listing the playlists"), bounds.maxPlaylists,
                      "playlists");
        const QString& doing = answer.doing();
        if (!mpd_send_list_playlists(c)) {
            fail(doing);
        }
        std::vector<Listed> listed;
        while (mpd_playlist* playlist = mpd_recv_playlist(c)) {
            listed.push_back({boundedText(QString::fromUtf8(mpd_playlist_get_path(playlist))),
                              mpd_playlist_get_last_modified(playlist)});
            mpd_playlist_free(playlist);
            answer.received(listed.size());
        }
        if (!mpd_response_finish(c)) {
            fail(doing);
        }
        return listed;
    }

    // The ratings of all rated songs, in one request. A server without a sticker database (or
    // that does not let this client read it) has none.
    const QHash<QString, int>& songRatings(mpd_connection* c) {
        if (ratings) {
            return *ratings;
        }
        Answer answer(*this, QStringLiteral("reading the ratings"), bounds.maxSongs, "ratings");
        const QString& doing = answer.doing();
        if (!mpd_send_sticker_find(c, "song", "", "rating")) {
            fail(doing);
        }
        QHash<QString, int> found;
        QString uri;
        std::size_t pairs = 0;
        while (mpd_pair* pair = mpd_recv_pair(c)) {
            if (std::strcmp(pair->name, "file") == 0) {
                uri = QString::fromUtf8(pair->value);
            } else if (std::strcmp(pair->name, "sticker") == 0) {
                std::size_t nameLength = 0;
                if (const char* value = mpd_parse_sticker(pair->value, &nameLength)) {
                    found.insert(uri, ratingFromTenPoints(QString::fromUtf8(value)));
                }
            }
            mpd_return_pair(c, pair);
            answer.received(++pairs / 2);
        }
        if (mpd_connection_get_error(c) == MPD_ERROR_SERVER && mpd_connection_clear_error(c)) {
            found.clear();
        } else if (!mpd_response_finish(c)) {
            fail(doing);
        }
        ratings = std::move(found);
        return *ratings;
    }

    // The songs of `playlist`, read in one request unless they are known and unchanged.
    std::shared_ptr<const Songs> songsOf(mpd_connection* c, const Listed& playlist) {
        if (const auto found = songs.constFind(playlist.name);
            found != songs.cend() && found->modified == playlist.modified) {
            return found->songs;
        }
        const QHash<QString, int>& rated = songRatings(c);
        Answer answer(*this, QStringLiteral("listing \"%1\"").arg(shownName(playlist.name)),
                      bounds.maxSongs, "songs");
        const QString& doing = answer.doing();
        if (!mpd_send_list_playlist_meta(c, playlist.name.toUtf8().constData())) {
            fail(doing);
        }
        auto read = std::make_shared<Songs>();
        SharedTexts shared;
        while (mpd_song* song = mpd_recv_song(c)) {
            read->push_back(songOf(song, rated, shared));
            mpd_song_free(song);
            answer.received(read->size());
        }
        if (!mpd_response_finish(c)) {
            fail(doing);
        }
        ++playlistReads;
        songs.insert(playlist.name, {playlist.modified, read});
        return read;
    }

    // The songs of the playlist named `name` as it is now; none when it is gone.
    std::shared_ptr<const Songs> currentSongs(mpd_connection* c, const QString& name) {
        for (const Listed& playlist : listPlaylists(c)) {
            if (playlist.name == name) {
                return songsOf(c, playlist);
            }
        }
        return std::make_shared<const Songs>();
    }
};

namespace {

// A stored playlist. One from getAll reads its songs when first asked; one from getByName
// comes with them. Either keeps the songs it read, so one listing never mixes two readings.
class MpdPlaylist final : public Playlist {
public:
    MpdPlaylist(QString name, std::shared_ptr<MpdLibrary::State> state,
                std::shared_ptr<const Songs> songs)
        : name_(std::move(name))
        , state_(std::move(state))
        , songs_(std::move(songs)) {}

    QString name() const override { return name_; }
    int count() const override { return static_cast<int>(songs().size()); }

    std::shared_ptr<const MediaItem> item(int index) const override {
        const Songs& all = songs();
        if (index < 0 || index >= static_cast<int>(all.size())) {
            throw LibraryError("song index out of range");
        }
        return all[static_cast<std::size_t>(index)];
    }

private:
    const Songs& songs() const {
        if (!songs_) {
            songs_ = state_->run([&](mpd_connection* c) { return state_->currentSongs(c, name_); });
        }
        return *songs_;
    }

    QString name_;
    std::shared_ptr<MpdLibrary::State> state_;
    mutable std::shared_ptr<const Songs> songs_;
};

} // namespace

MpdLibrary::MpdLibrary(MpdAddress address, int timeoutSeconds, Bounds bounds)
    : state_(std::make_shared<State>()) {
    state_->address = std::move(address);
    state_->timeoutSeconds = static_cast<unsigned>(std::max(timeoutSeconds, 1));
    state_->bounds = std::move(bounds);
    // Reading the list proves that the server answers and lets this client read.
    state_->run([&](mpd_connection* c) { return state_->listPlaylists(c); });
}

MpdLibrary::~MpdLibrary() = default;

std::shared_ptr<const PlaylistCollection> MpdLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray MpdLibrary::getAll() const {
    std::vector<Listed> listed =
        state_->run([&](mpd_connection* c) { return state_->listPlaylists(c); });
    const PlaylistNameOrder order;
    std::sort(listed.begin(), listed.end(),
              [&](const Listed& a, const Listed& b) { return order(a.name, b.name); });
    std::vector<std::shared_ptr<const Playlist>> playlists;
    playlists.reserve(listed.size());
    for (Listed& playlist : listed) {
        playlists.push_back(
            std::make_shared<MpdPlaylist>(std::move(playlist.name), state_, nullptr));
    }
    return PlaylistArray(std::move(playlists));
}

PlaylistArray MpdLibrary::getByName(const QString& name) const {
    return state_->run([&](mpd_connection* c) {
        for (const Listed& playlist : state_->listPlaylists(c)) {
            if (playlist.name == name) {
                return PlaylistArray({std::make_shared<MpdPlaylist>(playlist.name, state_,
                                                                    state_->songsOf(c, playlist))});
            }
        }
        return PlaylistArray();
    });
}

long long MpdLibrary::playlistReads() const {
    return state_->playlistReads;
}

namespace {

using Clock = std::chrono::steady_clock;

// Waits for `events` on `fd` until `deadline`; false when the time ran out first.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

// True when a server at the address greets as MPD does ("OK MPD 0.23.12") by `deadline`.
bool greets(const sockaddr* address, socklen_t length, Clock::time_point deadline) {
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    bool connected = ::connect(fd, address, length) == 0;
    if (!connected && errno == EINPROGRESS && waitFor(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t size = sizeof error;
        connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    QByteArray greeting;
    while (connected && !greeting.contains('\n') && greeting.size() < 256 &&
           waitFor(fd, POLLIN, deadline)) {
        char buffer[256];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        greeting.append(buffer, got);
    }
    ::close(fd);
    return greeting.startsWith("OK MPD ");
}

bool endpointGreets(const MpdEndpoint& endpoint, Clock::time_point deadline) {
    if (endpoint.port == 0) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = endpoint.host.toUtf8();
        if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
            return false;
        }
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        if (path.startsWith('@')) {
            address.sun_path[0] = '\0'; // an abstract socket
        }
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) +
                                                   static_cast<std::size_t>(path.size()) +
                                                   (path.startsWith('@') ? 0 : 1));
        return greets(reinterpret_cast<const sockaddr*>(&address), length, deadline);
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(endpoint.host.toUtf8().constData(),
                      QByteArray::number(endpoint.port).constData(), &hints, &found) != 0) {
        return false;
    }
    bool answered = false;
    for (const addrinfo* a = found; a && !answered; a = a->ai_next) {
        answered = greets(a->ai_addr, a->ai_addrlen, deadline);
    }
    ::freeaddrinfo(found);
    return answered;
}

} // namespace

std::optional<MpdEndpoint> answeringMpdEndpoint(const MpdAddress& address, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (const MpdEndpoint& endpoint : address.endpoints) {
        if (endpointGreets(endpoint, deadline)) {
            return endpoint;
        }
    }
    return std::nullopt;
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
