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

    QString why;
    pid_ = startServer(
        {QString::fromLatin1(Program), QStringLiteral("--no-daemon"), configurationFile}, {},
        folder + QStringLiteral("/output"), socketPath(), 0, 10, &why);
    return pid_ > 0 ? QString()
                    : QStringLiteral("mpd %1 %2")
                          .arg(why, lastLines(folder + QStringLiteral("/log"), 3));
}

pid_t startServer(const QStringList& command, const QStringList& environment, const QString& output,
                  const QString& host, unsigned port, int seconds, QString* why) {
    QByteArrayList arguments;
    for (const QString& argument : command) {
        arguments.push_back(QFile::encodeName(argument));
    }
    std::vector<char*> argv;
    for (QByteArray& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    QByteArrayList variables;
    for (const QString& variable : environment) {
        variables.push_back(QFile::encodeName(variable));
    }
    const QByteArray out = QFile::encodeName(output);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (QByteArray& variable : variables) {
            ::putenv(variable.data());
        }
        if (const int fd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644); fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (int attempt = 0; pid > 0; ++attempt) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            *why = QStringLiteral("ended at once: %1").arg(lastLines(output, 3));
            return -1;
        }
        const Connection probe(mpd_connection_new(host.toUtf8().constData(), port, 1000),
                               &mpd_connection_free);
        if (probe && mpd_connection_get_error(probe.get()) == MPD_ERROR_SUCCESS) {
            return pid;
        }
        if (attempt == seconds * 50) {
            killServer(pid);
            *why = QStringLiteral("did not answer within %1 seconds: %2")
                       .arg(seconds)
                       .arg(lastLines(output, 3));
            return -1;
        }
        QThread::msleep(20);
    }
    *why = QStringLiteral("cannot start %1").arg(command.value(0));
    return -1;
}

void killServer(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
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
