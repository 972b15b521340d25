// Fresh processes side by side, timed by hyperfine in one run: the real corvane listing a
// 10,000-song playlist of tagged FLAC files with all eight items (warm tag index, empty index, no
// index), beside its yardsticks on the same files: mpc listing the same stored playlist from a
// running MPD, and a bare one-thread TagLib pass (bench_taglib_pass). The songs, the playlist and
// MPD's database are made once into $CORVANE_BENCH_FRESH, else <temp>/corvane-bench-fresh-1; the
// MPD server is this bench's own (tests/library/MpdTestServer.h). Further arguments go to
// hyperfine ("--runs 20", "--export-markdown FILE").
#include "MpdTestServer.h"
#include "library/demo/AudioWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <mpd/client.h>

using namespace corvane::library;
using corvane::library::test::MpdTestServer;

namespace {

constexpr int Songs = 10000;
const QString PlaylistName = QStringLiteral("All Songs");
const QString Items = QStringLiteral("Title,Artist,Time,Rating,Genre,Year,Album,Type");
// What the listing shows of each song, as mpc prints it.
const QString MpcFormat =
    QStringLiteral("%title%\t%artist%\t%time%\t%genre%\t%date%\t%album%\t%file%");

QString benchFolder() {
    const QString given = qEnvironmentVariable("CORVANE_BENCH_FRESH");
    return given.isEmpty() ? QDir::tempPath() + QStringLiteral("/corvane-bench-fresh-1") : given;
}

QString songPath(int i) {
    return QStringLiteral("Artist %1/Album %2/%3 Song number %4.flac")
        .arg(i / 100)
        .arg(i / 10 % 10)
        .arg(i % 10, 2, 10, QLatin1Char('0'))
        .arg(i);
}

// The server, started; on the first run the songs and corvane's playlist of them are written,
// MPD's database made and MPD's stored playlist of the same songs added.
QString startServer(MpdTestServer& server, const QString& folder) {
    const QString complete = folder + QStringLiteral("/.complete");
    const bool made = QFile::exists(complete);
    if (!made) {
        std::fprintf(stderr, "Writing %d songs to %s (once)...\n", Songs, qPrintable(folder));
        QByteArray m3u;
        for (int i = 0; i < Songs; ++i) {
            const QString path = server.musicFolder() + u'/' + songPath(i);
            QDir().mkpath(QFileInfo(path).absolutePath());
            demo::SongTags tags{QStringLiteral("Song number %1").arg(i),
                                QStringLiteral("Artist %1").arg(i / 100),
                                QStringLiteral("Album %1").arg(i / 10),
                                QStringLiteral("Genre %1").arg(i % 7),
                                QStringLiteral("%1-05-17").arg(1960 + i % 60),
                                {},
                                {}};
            tags.fields.push_back({"FMPS_RATING", QString::number(i % 6 / 5.0, 'f', 1)});
            if (!demo::writeSong(path, 2 + i % 5, tags)) {
                return QStringLiteral("cannot write %1").arg(path);
            }
            m3u += path.toUtf8() + '\n';
        }
        QDir().mkpath(folder + QStringLiteral("/corvane"));
        QFile playlist(folder + QStringLiteral("/corvane/") + PlaylistName +
                       QStringLiteral(".m3u8"));
        if (!playlist.open(QIODevice::WriteOnly) || playlist.write(m3u) != m3u.size()) {
            return QStringLiteral("cannot write %1").arg(playlist.fileName());
        }
    }
    if (QString why = server.start(); !why.isEmpty() || made) {
        return why;
    }
    QString why = server.update();
    if (why.isEmpty()) {
        why = server.run([](mpd_connection* c) {
            mpd_command_list_begin(c, false);
            for (int i = 0; i < Songs; ++i) {
                mpd_send_playlist_add(c, PlaylistName.toUtf8().constData(),
                                      songPath(i).toUtf8().constData());
            }
            return mpd_command_list_end(c) && mpd_response_finish(c);
        });
    }
    if (why.isEmpty() && !QFile(complete).open(QIODevice::WriteOnly)) {
        why = QStringLiteral("cannot write %1").arg(complete);
    }
    return why;
}

QString quoted(const QString& word) {
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString folder = benchFolder();
    MpdTestServer server({folder, {}, false});
    if (const QString why = startServer(server, folder); !why.isEmpty()) {
        std::fprintf(stderr, "bench_fresh_process: %s\n", qPrintable(why));
        return 1;
    }
    const QString bin = QCoreApplication::applicationDirPath();
    const QString corvane =
        QStringLiteral("env XDG_CONFIG_HOME=%1 XDG_CACHE_HOME=%2 %3 "
                       "--library %4 --playlist %5 --items %6")
            .arg(quoted(folder + QStringLiteral("/config")),
                 quoted(folder + QStringLiteral("/cache")),
                 quoted(bin + QStringLiteral("/corvane")),
                 quoted(folder + QStringLiteral("/corvane")), quoted(PlaylistName), Items);
    const QString index = folder + QStringLiteral("/cache/corvane");
    struct Command {
        const char* name;
        QString line;
        QString prepare;
    };
    const Command commands[] = {
        {"mpc, a running MPD (yardstick)",
         QStringLiteral("mpc --host=127.0.0.1 --port=%1 -f %2 playlist %3")
             .arg(server.port())
             .arg(quoted(MpcFormat), quoted(PlaylistName)),
         QStringLiteral("true")},
        {"corvane, warm index", corvane, QStringLiteral("true")},
        {"bare one-thread TagLib pass (yardstick)",
         QStringLiteral("%1 %2").arg(
             quoted(bin + QStringLiteral("/bench_taglib_pass")),
             quoted(folder + QStringLiteral("/corvane/") + PlaylistName + QStringLiteral(".m3u8"))),
         QStringLiteral("true")},
        {"corvane, empty index", corvane, QStringLiteral("rm -rf %1").arg(quoted(index))},
        {"corvane --no-index", corvane + QStringLiteral(" --no-index"), QStringLiteral("true")},
    };
    QStringList arguments{QStringLiteral("--warmup"), QStringLiteral("3"),
                          QStringLiteral("--style"), QStringLiteral("basic")};
    for (const Command& command : commands) {
        arguments << QStringLiteral("--command-name") << QString::fromLatin1(command.name)
                  << QStringLiteral("--prepare") << command.prepare;
    }
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    for (const Command& command : commands) {
        arguments << command.line;
    }
    QProcess hyperfine;
    hyperfine.setProcessChannelMode(QProcess::ForwardedChannels);
    hyperfine.start(QStringLiteral("hyperfine"), arguments);
    if (!hyperfine.waitForStarted() || !hyperfine.waitForFinished(-1)) {
        std::fprintf(stderr, "bench_fresh_process: cannot run hyperfine (Debian's hyperfine)\n");
        return 1;
    }
    return hyperfine.exitCode();
}
