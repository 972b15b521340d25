// Listing a 10,000-song stored playlist of a real MPD server through the MPD backend, side by side
// with `mpc -f FORMAT playlist NAME` against the same server. The bench starts its own mpd (see
// tests/library/MpdTestServer.h) on songs, a database, the playlist and ratings made once into
// $CORVANE_BENCH_MPD, else <temp>/corvane-bench-mpd-1, and kept for later runs.
#include "Listing.h"
#include "MpdTestServer.h"
#include "library/MpdLibrary.h"
#include "library/demo/AudioWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <mpd/client.h>

using namespace corvane::library;
using corvane::library::test::MpdTestServer;

namespace {

constexpr int Songs = 10000;
const QString PlaylistName = QStringLiteral("All Songs");
// What a listing shows of each song, as mpc prints it.
const QString MpcFormat = QStringLiteral("%title%\t%artist%\t%album%\t%genre%\t%date%\t%time%");

QString benchFolder() {
    const QString given = qEnvironmentVariable("CORVANE_BENCH_MPD");
    return given.isEmpty() ? QDir::tempPath() + QStringLiteral("/corvane-bench-mpd-1") : given;
}

QString songPath(int i) {
    return QStringLiteral("Artist %1/Album %2/%3 Song number %4.flac")
        .arg(i / 100)
        .arg(i / 10 % 10)
        .arg(i % 10, 2, 10, QLatin1Char('0'))
        .arg(i);
}

// The server, started; on the first run the songs are written, scanned, put in one playlist,
// and every tenth one rated.
QString startServer(MpdTestServer& server, const QString& folder) {
    const QString complete = folder + QStringLiteral("/.complete");
    const bool made = QFile::exists(complete);
    if (!made) {
        std::fprintf(stderr, "Writing %d songs to %s (once)...\n", Songs, qPrintable(folder));
        for (int i = 0; i < Songs; ++i) {
            const QString path = server.musicFolder() + u'/' + songPath(i);
            QDir().mkpath(QFileInfo(path).absolutePath());
            const demo::SongTags tags{QStringLiteral("Song number %1").arg(i),
                                      QStringLiteral("Artist %1").arg(i / 100),
                                      QStringLiteral("Album %1").arg(i / 10),
                                      QStringLiteral("Genre %1").arg(i % 7),
                                      QStringLiteral("%1-05-17").arg(1960 + i % 60),
                                      {},
                                      {}};
            if (!demo::writeSong(path, 1 + i % 5, tags)) {
                return QStringLiteral("cannot write %1").arg(path);
            }
        }
    }
    if (QString why = server.start(); !why.isEmpty()) {
        return why;
    }
    if (made) {
        return {};
    }
    QString why = server.update();
    if (why.isEmpty()) {
        why = server.run([](mpd_connection* c) {
            mpd_command_list_begin(c, false);
            for (int i = 0; i < Songs; ++i) {
                const QByteArray uri = songPath(i).toUtf8();
                mpd_send_playlist_add(c, PlaylistName.toUtf8().constData(), uri.constData());
                if (i % 10 == 0) {
                    mpd_send_sticker_set(c, "song", uri.constData(), "rating",
                                         QByteArray::number(i % 11).constData());
                }
            }
            return mpd_command_list_end(c) && mpd_response_finish(c);
        });
    }
    if (why.isEmpty() && !QFile(complete).open(QIODevice::WriteOnly)) {
        why = QStringLiteral("cannot write %1").arg(complete);
    }
    return why;
}

// A new library each time: connecting, the list, the ratings and the playlist's songs.
void BackendFirstListing(benchmark::State& state, const MpdTestServer& server) {
    for (auto _ : state) {
        listAll(*std::make_shared<MpdLibrary>(server.address()), PlaylistName, Songs, state);
    }
}

// The same library again: the server says nothing changed, so nothing is read again.
void BackendRepeatListing(benchmark::State& state, const MpdTestServer& server) {
    const auto library = std::make_shared<MpdLibrary>(server.address());
    listAll(*library, PlaylistName, Songs, state);
    for (auto _ : state) {
        listAll(*library, PlaylistName, Songs, state);
    }
}

// The yardstick: mpc, started, connecting, listing and printing the playlist.
void Mpc(benchmark::State& state, const MpdTestServer& server) {
    const QStringList arguments = {QStringLiteral("--host=127.0.0.1"),
                                   QStringLiteral("--port=%1").arg(server.port()),
                                   QStringLiteral("-f"),
                                   MpcFormat,
                                   QStringLiteral("playlist"),
                                   PlaylistName};
    for (auto _ : state) {
        QProcess mpc;
        mpc.start(QStringLiteral("mpc"), arguments);
        if (!mpc.waitForFinished(60000) || mpc.exitCode() != 0 ||
            mpc.readAllStandardOutput().count('\n') != Songs) {
            state.SkipWithError("mpc failed");
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString folder = benchFolder();
    MpdTestServer server({folder, {}, true});
    if (const QString why = startServer(server, folder); !why.isEmpty()) {
        std::fprintf(stderr, "bench_mpd: %s\n", qPrintable(why));
        return 1;
    }
    for (const auto& [name, run] :
         {std::pair{"Mpc", &Mpc}, std::pair{"BackendFirstListing", &BackendFirstListing},
          std::pair{"BackendRepeatListing", &BackendRepeatListing}}) {
        benchmark::RegisterBenchmark(name, run, std::cref(server))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
