// Fresh processes side by side, timed by hyperfine in one run: the real corvane listing a
// 10,000-song playlist of tagged FLAC files with all eight items (warm tag index, empty index, no
// index), beside its yardsticks on the same files: mpc listing the same stored playlist from a
// running MPD, and a bare one-thread TagLib pass (bench_taglib_pass). The songs, the playlist and
// MPD's database are made once into $CORVANE_BENCH_FRESH, else <temp>/corvane-bench-fresh-1; the
// MPD server is this bench's own (tests/library/MpdTestServer.h). Further arguments go to
// hyperfine ("--runs 20", "--export-markdown FILE").
#include "mpd/MpdBenchLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <mpd/client.h>

using namespace corvane;
using namespace corvane::library;
using corvane::library::test::MpdTestServer;

namespace {

using bench::MpdPlaylistName;
const QString Items = QStringLiteral("Title,Artist,Time,Rating,Genre,Year,Album,Type");
// What the listing shows of each song, as mpc prints it.
const QString MpcFormat =
    QStringLiteral("%title%\t%artist%\t%time%\t%genre%\t%date%\t%album%\t%file%");

QString quoted(const QString& word) {
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString folder = bench::benchFolder("CORVANE_BENCH_FRESH", "corvane-bench-fresh-1");
    MpdTestServer server({folder, {}, false});
    bench::MpdBenchExtras extras;
    // Ratings in the files, and corvane's own playlist of the same songs.
    extras.tags = [](int i, demo::SongTags& tags) {
        tags.fields.push_back({"FMPS_RATING", QString::number(i % 6 / 5.0, 'f', 1)});
    };
    extras.written = [&](const QStringList& paths) {
        QDir().mkpath(folder + QStringLiteral("/corvane"));
        QFile playlist(folder + QStringLiteral("/corvane/") + MpdPlaylistName +
                       QStringLiteral(".m3u8"));
        const QByteArray m3u = (paths.join(u'\n') + u'\n').toUtf8();
        return playlist.open(QIODevice::WriteOnly) && playlist.write(m3u) == m3u.size()
                   ? QString()
                   : QStringLiteral("cannot write %1").arg(playlist.fileName());
    };
    if (const QString why = bench::startMpdBenchServer(server, folder, extras); !why.isEmpty()) {
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
                 quoted(folder + QStringLiteral("/corvane")), quoted(MpdPlaylistName), Items);
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
             .arg(quoted(MpcFormat), quoted(MpdPlaylistName)),
         QStringLiteral("true")},
        {"corvane, warm index", corvane, QStringLiteral("true")},
        {"bare one-thread TagLib pass (yardstick)",
         QStringLiteral("%1 %2").arg(quoted(bin + QStringLiteral("/bench_taglib_pass")),
                                     quoted(folder + QStringLiteral("/corvane/") + MpdPlaylistName +
                                            QStringLiteral(".m3u8"))),
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
