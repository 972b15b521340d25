// The MPD backend against Mopidy's MPD frontend: a real Mopidy, started once on a configuration
// and folders of its own (its file backend on the music, its M3U backend on the playlists) and a
// free port, and killed at the end.
#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"
#include "library/mpd/MpdLibrary.h"
#include "mpd/MpdTestServer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

const char* const Program = "/usr/bin/mopidy";

class Mopidy {
public:
    explicit Mopidy(const QString& folder)
        : folder_(folder)
        , port_(test::freePort()) {}
    ~Mopidy() { test::killServer(pid_); }

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
        const QString file = folder_ + QStringLiteral("/mopidy.conf");
        if (!writeRawFile(file, configuration.toUtf8())) {
            return QStringLiteral("cannot write its configuration");
        }
        // GStreamer's registry goes to the test's folder, not the user's cache.
        QString why;
        pid_ = test::startServer({QString::fromLatin1(Program), QStringLiteral("--config"), file},
                                 {QStringLiteral("XDG_CACHE_HOME=%1/cache").arg(folder_)},
                                 folder_ + QStringLiteral("/output"), QStringLiteral("127.0.0.1"),
                                 port_, 30, &why);
        return why.isEmpty() ? why : QStringLiteral("mopidy ") + why;
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
