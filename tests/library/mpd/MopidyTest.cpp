// The MPD backend against Mopidy's MPD frontend: a real Mopidy, started once on a configuration
// and folders of its own (its file backend on the music, its M3U backend on the playlists) and a
// free port, and killed at the end.
#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"
#include "library/mpd/MpdLibrary.h"
#include "mpd/MpdTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mpd/client.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane::library;

namespace {

const char* const Program = "/usr/bin/mopidy";

class Mopidy {
public:
    explicit Mopidy(const QString& folder)
        : folder_(folder)
        , port_(test::freePort()) {}
    ~Mopidy() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Starts it and waits until it greets; why it could not, or nothing.
    QString start() {
        const QString configuration =
            QStringLiteral("[core]\ncache_dir = %1/cache\nconfig_dir = %1/config\n"
                           "data_dir = %1/data\n[audio]\noutput = fakesink\nmixer = none\n"
                           "[mpd]\nhostname = 127.0.0.1\nport = %2\n[http]\nenabled = false\n"
                           "[stream]\nenabled = false\n[file]\nmedia_dirs = %1/music\n"
                           "[m3u]\nplaylists_dir = %1/playlists\nbase_dir = %1/music\n")
                .arg(folder_)
                .arg(port_);
        QFile file(folder_ + QStringLiteral("/mopidy.conf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration.toUtf8()) < 0) {
            return QStringLiteral("cannot write its configuration");
        }
        file.close();
        const QByteArray conf = QFile::encodeName(file.fileName());
        const QByteArray cache = QFile::encodeName(folder_ + QStringLiteral("/cache"));
        const QByteArray output = QFile::encodeName(folder_ + QStringLiteral("/output"));
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            // GStreamer's registry goes to the test's folder, not the user's cache.
            ::setenv("XDG_CACHE_HOME", cache.constData(), 1);
            if (const int out = ::open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            ::execl(Program, Program, "--config", conf.constData(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int attempt = 0; pid_ > 0 && attempt < 600; ++attempt) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            mpd_connection* probe = mpd_connection_new("127.0.0.1", port_, 1000);
            const bool up = probe && mpd_connection_get_error(probe) == MPD_ERROR_SUCCESS;
            mpd_connection_free(probe);
            if (up) {
                return {};
            }
            QThread::msleep(50);
        }
        QFile said(QString::fromUtf8(output));
        said.open(QIODevice::ReadOnly);
        return QStringLiteral("mopidy did not answer: ") +
               QString::fromUtf8(said.readAll().right(300));
    }

    MpdAddress address() const { return {{{QStringLiteral("127.0.0.1"), port_}}, {}}; }

private:
    QString folder_;
    unsigned port_;
    pid_t pid_ = -1;
};

TEST(Mopidy, ItsStoredPlaylistsAsFromMpd) {
    if (!QFileInfo(QString::fromLatin1(Program)).isExecutable()) {
        GTEST_SKIP() << Program << " is missing: install Debian's mopidy and mopidy-mpd";
    }
    QTemporaryDir dir;
    const QString music = dir.path() + QStringLiteral("/music");
    for (const auto& [path, tags] : {
             std::pair{"Ann/First Song.flac",
                       demo::SongTags{"First Song", "Ann", "Dawn", "Folk", "2019-05-03", {}, {}}},
             std::pair{"Bär/Zweites Lied #1.flac", demo::SongTags{}},
         }) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(music + u'/' + path).path()));
        ASSERT_TRUE(demo::writeSong(music + u'/' + path, 5, tags));
    }
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/playlists")));
    ASSERT_TRUE(writeRawFile(dir.path() + QStringLiteral("/playlists/Road Trip.m3u8"),
                             "#EXTM3U\nAnn/First Song.flac\nAnn/gone.flac\nBär/Zweites Lied "
                             "#1.flac\nhttp://radio.example/live\n"));
    ASSERT_TRUE(
        writeRawFile(dir.path() + QStringLiteral("/playlists/Café.m3u"), "Ann/gone.flac\n"));
    Mopidy mopidy(dir.path());
    const QString why = mopidy.start();
    ASSERT_EQ(why, "");

    const MpdLibrary library(mopidy.address());
    EXPECT_EQ(names(library), QStringList({"Café", "Road Trip"}));
    // Its file: URIs named as files; no stickers, so no ratings (never a failure); the stream
    // that no backend of its looks up is listed by name, where MPD lists it.
    EXPECT_EQ(listing(library, "Road Trip"),
              QStringList({"First Song|00:05|0|Ann|Folk|2019|Dawn|flac|5", "gone.flac||||||||",
                           "Zweites Lied #1|00:05|0|||||flac|5", "live||||||||"}));
    EXPECT_EQ(listing(library, "Café"), QStringList({"gone.flac||||||||"}));
}

} // namespace
