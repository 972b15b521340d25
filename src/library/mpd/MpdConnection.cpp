#include "library/mpd/MpdConnection.h"

#include "library/MediaLibrary.h"

#include <QLocale>
#include <QStringList>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mpd/client.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::library {
namespace {

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

} // namespace

void MpdConnection::Free::operator()(mpd_connection* c) const {
    mpd_connection_free(c);
}

MpdConnection::MpdConnection(MpdAddress address, unsigned timeoutSeconds, unsigned watched,
                             std::function<void(unsigned events)> changed, MpdBounds bounds)
    : address_(std::move(address))
    , timeoutSeconds_(timeoutSeconds)
    , watched_(watched)
    , changed_(std::move(changed))
    , bounds_(std::move(bounds)) {}

MpdConnection::~MpdConnection() = default;

void MpdConnection::runRequest(const std::function<void(mpd_connection*)>& request) {
    const SigpipeGuard guard;
    begin();
    try {
        request(connection_.get());
        end();
    } catch (...) {
        end();
        throw;
    }
}

void MpdConnection::begin() {
    if (connection_ && idle_) {
        idle_ = false;
        const unsigned events = mpd_run_noidle(connection_.get());
        if (mpd_connection_get_error(connection_.get()) == MPD_ERROR_SUCCESS) {
            changed_(events);
        } else {
            // The server dropped the connection meanwhile (restarted, or the network went).
            connection_.reset();
        }
    }
    if (!connection_) {
        connect();
    }
}

void MpdConnection::end() {
    if (connection_ && !mpd_send_idle_mask(connection_.get(), static_cast<mpd_idle>(watched_))) {
        connection_.reset();
    }
    idle_ = connection_ != nullptr;
}

// Connects to the first endpoint that answers, and logs in. Whatever was read over an earlier
// connection is forgotten: changes made meanwhile went untold.
void MpdConnection::connect() {
    changed_(watched_);
    QStringList tried;
    QString why;
    for (const MpdEndpoint& endpoint : address_.endpoints) {
        // Whole seconds: libmpdclient 2.20 takes a timeout's milliseconds for microseconds.
        std::unique_ptr<mpd_connection, Free> opened(mpd_connection_new(
            endpoint.host.toUtf8().constData(), endpoint.port, timeoutSeconds_ * 1000));
        if (!opened) {
            throw LibraryError("out of memory");
        }
        server_ = QStringLiteral("MPD at ") + endpoint.text();
        const mpd_error error = mpd_connection_get_error(opened.get());
        if (error == MPD_ERROR_SYSTEM || error == MPD_ERROR_RESOLVER) {
            // Nobody there: the next place a server may be.
            tried.push_back(endpoint.text());
            why = QString::fromUtf8(mpd_connection_get_error_message(opened.get()));
            continue;
        }
        connection_ = std::move(opened);
        if (error != MPD_ERROR_SUCCESS) {
            fail(QStringLiteral("connecting"));
        }
        // "noidle" follows "idle" with no answer between: without this, Nagle's algorithm holds
        // it back until the server's delayed acknowledgement (40 ms) on every call.
        const int on = 1;
        setsockopt(mpd_connection_get_fd(connection_.get()), IPPROTO_TCP, TCP_NODELAY, &on,
                   sizeof on);
        break;
    }
    if (!connection_) {
        throw LibraryError(QStringLiteral("MPD at %1: no server there (%2)")
                               .arg(tried.join(QStringLiteral(" or ")), why.simplified())
                               .toStdString());
    }
    if (!address_.password.isEmpty() &&
        !mpd_run_password(connection_.get(), address_.password.toUtf8().constData())) {
        fail(QStringLiteral("logging in"));
    }
}

void MpdConnection::fail(const QString& doing) {
    mpd_connection* c = connection_.get();
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
            why = address_.password.isEmpty()
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
                  .arg(timeoutSeconds_)
                  .arg(timeoutSeconds_ == 1 ? "" : "s", doing);
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
        connection_.reset();
    }
    throw LibraryError((server_ + QStringLiteral(": ") + why).toStdString());
}

void MpdConnection::abandon(const QString& why) {
    connection_.reset();
    throw LibraryError((server_ + QStringLiteral(": ") + why).toStdString());
}

MpdAnswer::MpdAnswer(MpdConnection& connection, QString doing, int cap, const char* entries)
    : connection_(connection)
    , doing_(std::move(doing))
    , cap_(cap)
    , entries_(entries)
    , deadline_(std::chrono::steady_clock::now() +
                std::chrono::seconds(connection.bounds().answerSeconds)) {}

void MpdAnswer::received(std::size_t count) {
    const MpdBounds& bounds = connection_.bounds();
    if (count > static_cast<std::size_t>(cap_)) {
        connection_.abandon(
            QStringLiteral("more than %1 %2 while %3; no more are read")
                .arg(QLocale(QLocale::English).toString(cap_), QLatin1String(entries_), doing_));
    }
    if (bounds.progress && bounds.progress->stopped()) {
        connection_.abandon(QStringLiteral("stopped while %1").arg(doing_));
    }
    if (std::chrono::steady_clock::now() > deadline_) {
        connection_.abandon(QStringLiteral("no whole answer within %1 second%2 while %3")
                                .arg(bounds.answerSeconds)
                                .arg(bounds.answerSeconds == 1 ? "" : "s", doing_));
    }
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

} // namespace corvane::library
