#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

// A server that speaks MPD's protocol as it is told, for the tests, the fuzz target and the
// benchmark that need a server no real MPD would be: on a Unix socket (a path) or on 127.0.0.1 (a
// free port), it greets each client, then gives every command but "idle" what `answer` says. An
// answer without its "OK" (or an ACK) ends the connection; an endless one is given again and
// again (a slow one every 20 ms) until the client hangs up. It takes clients one after another,
// at most `clients` of them. With no greeting it accepts and never answers.
class ScriptedMpdServer {
public:
    struct Reply {
        enum class Repeat { Once, Endless, Slow };
        Reply(QByteArray bytes, Repeat repeat = Repeat::Once)
            : bytes(std::move(bytes))
            , repeat(repeat) {}
        QByteArray bytes;
        Repeat repeat;
    };
    using Answer = std::function<Reply(const QByteArray& command)>;

    // `socketPath` empty: 127.0.0.1 on the port in `port`.
    ScriptedMpdServer(const QString& socketPath, QByteArray greeting, Answer answer,
                      int clients = 1 << 30)
        : answer_(std::move(answer)) {
        if (socketPath.isEmpty()) {
            listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
            port = ntohs(address.sin_port);
        } else {
            listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(socketPath);
            ::unlink(name.constData());
            std::memcpy(
                address.sun_path, name.constData(),
                std::min(sizeof address.sun_path - 1, static_cast<std::size_t>(name.size())));
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        ::listen(listener_, 4);
        thread_ = std::thread([this, greeting, clients] {
            for (int n = 0; n < clients; ++n) {
                const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) {
                    return;
                }
                client_ = client;
                if (!greeting.isEmpty()) {
                    talk(client, greeting);
                } else {
                    char byte = 0;
                    while (::recv(client, &byte, 1, 0) > 0) {
                    }
                }
                client_ = -1;
                ::close(client);
            }
        });
    }
    ~ScriptedMpdServer() {
        ::shutdown(listener_, SHUT_RDWR);
        if (const int client = client_.load(); client >= 0) {
            ::shutdown(client, SHUT_RDWR);
        }
        thread_.join();
        ::close(listener_);
    }
    ScriptedMpdServer(const ScriptedMpdServer&) = delete;
    ScriptedMpdServer& operator=(const ScriptedMpdServer&) = delete;

    unsigned port = 0;

private:
    void talk(int client, const QByteArray& greeting) {
        const auto say = [&](const QByteArray& bytes) {
            for (qsizetype sent = 0; sent < bytes.size();) {
                const ssize_t n =
                    ::send(client, bytes.constData() + sent,
                           static_cast<std::size_t>(bytes.size() - sent), MSG_NOSIGNAL);
                if (n <= 0) {
                    return false;
                }
                sent += n;
            }
            return true;
        };
        if (!say(greeting)) {
            return;
        }
        QByteArray pending;
        for (;;) {
            qsizetype end = -1;
            while ((end = pending.indexOf('\n')) < 0) {
                char buffer[4096];
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    return;
                }
                pending.append(buffer, n);
            }
            const QByteArray command = pending.left(end);
            pending.remove(0, end + 1);
            if (command.startsWith("idle")) {
                continue;
            }
            const Reply reply = answer_(command);
            if (reply.repeat != Reply::Repeat::Once) {
                while (say(reply.bytes)) {
                    if (reply.repeat == Reply::Repeat::Slow) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    }
                }
                return;
            }
            if (!say(reply.bytes) ||
                (!reply.bytes.endsWith("OK\n") && !reply.bytes.startsWith("ACK"))) {
                return; // an answer cut short ends the connection
            }
        }
    }

    Answer answer_;
    int listener_ = -1;
    std::atomic<int> client_{-1};
    std::thread thread_;
};
