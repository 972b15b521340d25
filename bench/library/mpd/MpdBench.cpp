// Listing a 10,000-song stored playlist of a real MPD server through the MPD backend, side by side
// with `mpc -f FORMAT playlist NAME` against the same server. The bench starts its own mpd (see
// tests/library/MpdTestServer.h) on songs, a database, the playlist and ratings made once into
// $CORVANE_BENCH_MPD, else <temp>/corvane-bench-mpd-1, and kept for later runs.
#include "Listing.h"
#include "MpdBenchLibrary.h"
#include "library/mpd/MpdLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <mpd/client.h>

using namespace corvane;
using namespace corvane::library;
using corvane::library::test::MpdTestServer;

namespace {

using bench::MpdPlaylistName;
using bench::MpdSongs;
// What a listing shows of each song, as mpc prints it.
const QString MpcFormat = QStringLiteral("%title%\t%artist%\t%album%\t%genre%\t%date%\t%time%");

// A new library each time: connecting, the list, the ratings and the playlist's songs.
void BackendFirstListing(benchmark::State& state, const MpdTestServer& server) {
    for (auto _ : state) {
        listAll(*std::make_shared<MpdLibrary>(server.address()), MpdPlaylistName, MpdSongs, state);
    }
}

// The same library again: the server says nothing changed, so nothing is read again.
void BackendRepeatListing(benchmark::State& state, const MpdTestServer& server) {
    const auto library = std::make_shared<MpdLibrary>(server.address());
    listAll(*library, MpdPlaylistName, MpdSongs, state);
    for (auto _ : state) {
        listAll(*library, MpdPlaylistName, MpdSongs, state);
    }
}

// The yardstick: mpc, started, connecting, listing and printing the playlist.
void Mpc(benchmark::State& state, const MpdTestServer& server) {
    const QStringList arguments = {QStringLiteral("--host=127.0.0.1"),
                                   QStringLiteral("--port=%1").arg(server.port()),
                                   QStringLiteral("-f"),
                                   MpcFormat,
                                   QStringLiteral("playlist"),
                                   MpdPlaylistName};
    for (auto _ : state) {
        QProcess mpc;
        mpc.start(QStringLiteral("mpc"), arguments);
        if (!mpc.waitForFinished(60000) || mpc.exitCode() != 0 ||
            mpc.readAllStandardOutput().count('\n') != MpdSongs) {
            state.SkipWithError("mpc failed");
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString folder = bench::benchFolder("CORVANE_BENCH_MPD", "corvane-bench-mpd-1");
    MpdTestServer server({folder, {}, true});
    bench::MpdBenchExtras extras;
    // Every tenth song rated, across the whole scale.
    extras.perSong = [](mpd_connection* c, int i, const QByteArray& uri) {
        if (i % 10 == 0) {
            mpd_send_sticker_set(c, "song", uri.constData(), "rating",
                                 QByteArray::number(i % 11).constData());
        }
    };
    if (const QString why = bench::startMpdBenchServer(server, folder, extras); !why.isEmpty()) {
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
