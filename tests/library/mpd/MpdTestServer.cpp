#include "MpdTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <mpd/client.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::library::test {
namespace {

const char* const Program = "/usr/bin/mpd";

using Connection = std::unique_ptr<mpd_connection, decltype(&mpd_connection_free)>;

QString lastLines(const QString& path, int count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).trimmed().split(u'\n');
    return lines.mid(std::max<qsizetype>(lines.size() - count, 0)).join(u" | ");
}

} // namespace

unsigned freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    unsigned port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

MpdTestServer::MpdTestServer(Options options)
    : options_(std::move(options))
    , port_(freePort()) {
    QDir().mkpath(musicFolder());
    QDir().mkpath(options_.folder + QStringLiteral("/playlists"));
}

MpdTestServer::~MpdTestServer() {
    kill();
}

QString MpdTestServer::socketPath() const {
    return options_.folder + QStringLiteral("/socket");
}

MpdAddress MpdTestServer::address() const {
    return {{{QStringLiteral("127.0.0.1"), port_}}, options_.password};
}

QString MpdTestServer::start() {
    QString why = launch();
    // A port found free may be taken before mpd binds it: a first start tries other ports.
    for (int retry = 0; !why.isEmpty() && !started_ && retry < 2; ++retry) {
        port_ = freePort();
        why = launch();
    }
    started_ = started_ || why.isEmpty();
    return why;
}

QString MpdTestServer::launch() {
    if (!QFileInfo(QString::fromLatin1(Program)).isExecutable()) {
        return QStringLiteral("%1 is missing: install Debian's mpd (scripts/install-deps.sh)")
            .arg(QString::fromLatin1(Program));
    }
    const QString folder = options_.folder;
    QString configuration = QStringLiteral("music_directory \"%1\"\n"
                                           "playlist_directory \"%2/playlists\"\n"
                                           "db_file \"%2/database\"\n"
                                           "log_file \"%2/log\"\n"
                                           "bind_to_address \"127.0.0.1\"\n"
                                           "bind_to_address \"%3\"\n"
                                           "port \"%4\"\n"
                                           "auto_update \"no\"\n"
                                           "zeroconf_enabled \"no\"\n"
                                           "audio_output {\n type \"null\"\n name \"null\"\n}\n")
                                .arg(musicFolder(), folder, socketPath())
                                .arg(port_);
    if (options_.stickers) {
        configuration += QStringLiteral("sticker_file \"%1/sticker.sql\"\n").arg(folder);
    }
    if (!options_.password.isEmpty()) {
        configuration += QStringLiteral("password \"%1@read,add,control,admin\"\n"
                                        "default_permissions \"\"\n")
                             .arg(options_.password);
    }
    const QString configurationFile = folder + QStringLiteral("/mpd.conf");
    QFile file(configurationFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(configuration.toUtf8()) < 0 || !file.flush()) {
        return QStringLiteral("cannot write %1").arg(configurationFile);
    }
    file.close();
    QFile::remove(socketPath());

    const QByteArray program(Program);
    const QByteArray configurationPath = QFile::encodeName(configurationFile);
    const QByteArray output = QFile::encodeName(folder + QStringLiteral("/output"));
    pid_ = ::fork();
    if (pid_ < 0) {
        return QStringLiteral("cannot start %1").arg(QString::fromLatin1(Program));
    }
    if (pid_ == 0) {
        // The server goes when the test goes, however it ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int out = ::open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execl(program.constData(), program.constData(), "--no-daemon",
                configurationPath.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int attempt = 0; attempt < 500; ++attempt) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return QStringLiteral("mpd ended at once: %1 %2")
                .arg(lastLines(output, 3), lastLines(folder + QStringLiteral("/log"), 3));
        }
        const Connection probe(mpd_connection_new(socketPath().toUtf8().constData(), 0, 1000),
                               &mpd_connection_free);
        if (probe && mpd_connection_get_error(probe.get()) == MPD_ERROR_SUCCESS) {
            return {};
        }
        QThread::msleep(20);
    }
    kill();
    return QStringLiteral("mpd did not answer within 10 seconds: %1").arg(lastLines(output, 3));
}

void MpdTestServer::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

QString MpdTestServer::run(const std::function<bool(mpd_connection*)>& commands) const {
    const Connection connection(mpd_connection_new(socketPath().toUtf8().constData(), 0, 600000),
                                &mpd_connection_free);
    if (!connection) {
        return QStringLiteral("out of memory");
    }
    mpd_connection* c = connection.get();
    const bool done = mpd_connection_get_error(c) == MPD_ERROR_SUCCESS &&
                      (options_.password.isEmpty() ||
                       mpd_run_password(c, options_.password.toUtf8().constData())) &&
                      commands(c);
    if (done && mpd_connection_get_error(c) == MPD_ERROR_SUCCESS) {
        return {};
    }
    const QString why = QString::fromUtf8(mpd_connection_get_error_message(c));
    return why.isEmpty() ? QStringLiteral("the commands failed") : why;
}

QString MpdTestServer::update(bool rescan) const {
    return run([rescan](mpd_connection* c) {
        if ((rescan ? mpd_run_rescan(c, nullptr) : mpd_run_update(c, nullptr)) == 0) {
            return false;
        }
        for (;;) {
            mpd_status* status = mpd_run_status(c);
            if (!status) {
                return false;
            }
            const unsigned job = mpd_status_get_update_id(status);
            mpd_status_free(status);
            if (job == 0) {
                return true;
            }
            QThread::msleep(10);
        }
    });
}

} // namespace corvane::library::test
