#include "FuzzSupport.h"
#include "library/mpd/MpdLibrary.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

// The MPD backend against a server whose answers are the input: after its greeting, the server
// gives each command in turn the next part of the input (parts are separated by a line "--"),
// then "OK". It never waits, so a run ends as soon as the answers do. The backend lists the
// playlists and every song of the first few, as the views ask for them.
using namespace corvane;
using namespace corvane::library;

namespace {

class AnsweringServer {
public:
    AnsweringServer(const QString& path, QList<QByteArray> answers)
        : answers_(std::move(answers)) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toUtf8();
        std::memcpy(address.sun_path, name.constData(),
                    std::min(sizeof address.sun_path - 1, static_cast<std::size_t>(name.size())));
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~AnsweringServer() {
        ::shutdown(listener_, SHUT_RDWR);
        if (const int client = client_.load(); client >= 0) {
            ::shutdown(client, SHUT_RDWR);
        }
        thread_.join();
        ::close(listener_);
    }
    AnsweringServer(const AnsweringServer&) = delete;
    AnsweringServer& operator=(const AnsweringServer&) = delete;

private:
    void serve() {
        // The backend connects again, once, when a connection is dropped.
        for (int connection = 0; connection < 2; ++connection) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                return;
            }
            client_ = client;
            talk(client);
            client_ = -1;
            ::close(client);
        }
    }

    void talk(int client) {
        const auto say = [&](const QByteArray& bytes) {
            return ::send(client, bytes.constData(), static_cast<std::size_t>(bytes.size()),
                          MSG_NOSIGNAL) == bytes.size();
        };
        if (!say("OK MPD 0.23.5\n")) {
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
            const QByteArray answer = next_ < answers_.size() ? answers_[next_++] : "OK\n";
            if (!say(answer) || (!answer.endsWith("OK\n") && !answer.startsWith("ACK"))) {
                return; // an answer cut short ends the connection
            }
        }
    }

    QList<QByteArray> answers_;
    qsizetype next_ = 0;
    int listener_ = -1;
    std::atomic<int> client_{-1};
    std::thread thread_;
};

const QRegularExpression Clock(QStringLiteral("^\\d\\d+:\\d\\d$"));

void requireShown(const MediaItem& song) {
    const QString clock = song.durationString();
    fuzz::require(clock.isEmpty() || (Clock.match(clock).hasMatch() && clock.size() <= 8),
                  "a time is mm:ss of a song's length, or none");
    fuzz::require(song.name().size() <= MaxOutsideText, "a title is bounded");
    for (const QString& attribute : {attribute::Artist, attribute::Album, attribute::Genre}) {
        fuzz::require(song.getItemInfo(attribute).size() <= MaxOutsideText,
                      "a text from outside is bounded");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QList<QByteArray> answers;
    for (qsizetype from = 0; from <= bytes.size();) {
        qsizetype at = bytes.indexOf("\n--\n", from);
        if (at < 0) {
            at = bytes.size();
        }
        answers.push_back(bytes.sliced(from, at - from) + (at < bytes.size() ? "\n" : ""));
        from = at + 4;
    }
    const QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("mpd"));
    const AnsweringServer server(socket, answers);
    try {
        const MpdLibrary library(MpdAddress{{{socket, 0}}, {}}, 1,
                                 MpdLibrary::Bounds{1, 2000, 200, nullptr});
        const PlaylistArray all = library.getAll();
        for (int p = 0; p < std::min(all.count(), 3); ++p) {
            const QString name = all.item(p)->name();
            fuzz::require(name.size() <= MaxOutsideText, "a playlist's name is bounded");
            const PlaylistArray found = library.getByName(name);
            for (int f = 0; f < found.count(); ++f) {
                const auto playlist = found.item(f);
                for (int i = 0; i < playlist->count(); ++i) {
                    requireShown(*playlist->item(i));
                }
            }
        }
    } catch (const LibraryError& e) {
        const QString said = QString::fromUtf8(e.what());
        fuzz::require(said.startsWith(u"MPD at ") && !said.contains(u'\n'),
                      "a failure is one line naming the server");
    }
    return 0;
}
