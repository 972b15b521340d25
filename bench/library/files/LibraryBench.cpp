// Listing a 10,000-song playlist from a library of 10,000 tagged files, the first time (every
// file read, on one thread and on every core) and again (nothing read). The library is generated
// once into $CORVANE_BENCH_LIBRARY, else <temp>/corvane-bench-library-1, and kept for later runs.
//
// A new library listing playlists of 1,000, 10,000 and 100,000 songs served from a warm tag
// index (as a fresh process does): the time should grow linearly. The songs are empty files with
// a generated index (<temp>/corvane-bench-indexed-N, its index in cache/corvane/tags.sqlite,
// for `XDG_CACHE_HOME=<that>/cache corvane --library <that> --playlist All`).
//
// And a library of large broken playlists (<temp>/corvane-bench-broken-1): a 1,000,000-entry M3U
// of missing files and a 32 MB XSPF broken halfway. The list of playlists (the yardstick: 26-30 s
// and 15-18 s before entries were resolved only when a playlist is opened), and opening the M3U.
#include "Listing.h"
#include "library/demo/AudioWriter.h"
#include "library/files/FileLibrary.h"
#include "library/songs/TagIndex.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane::library;

namespace {

constexpr int Songs = 10000;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
const QString PlaylistName = QStringLiteral("All Songs");

QString libraryFolder() {
    const QString given = qEnvironmentVariable("CORVANE_BENCH_LIBRARY");
    return given.isEmpty() ? QDir::tempPath() + QStringLiteral("/corvane-bench-library-1") : given;
}

// Writes the library unless a complete one is there: 100 artists of 100 songs, half MP3 with
// POPM ratings and half FLAC with FMPS_RATING, and one playlist of them all.
bool ensureLibrary(const QString& folder) {
    const QString complete = folder + QStringLiteral("/.complete");
    if (QFile::exists(complete)) {
        return true;
    }
    std::fprintf(stderr, "Writing %d songs to %s (once)...\n", Songs, qPrintable(folder));
    QByteArray m3u("#EXTM3U\n");
    for (int i = 0; i < Songs; ++i) {
        const int artist = i / 100;
        const bool mp3 = i % 2 == 0;
        const QString relative = QStringLiteral("Artist %1/Album %2/%3 Song number %4.%5")
                                     .arg(artist)
                                     .arg(i / 10 % 10)
                                     .arg(i % 10, 2, 10, QLatin1Char('0'))
                                     .arg(i)
                                     .arg(mp3 ? "mp3" : "flac");
        QDir().mkpath(QFileInfo(folder + u'/' + relative).absolutePath());
        demo::SongTags tags{QStringLiteral("Song number %1").arg(i),
                            QStringLiteral("Artist %1").arg(artist),
                            QStringLiteral("Album %1").arg(i / 10),
                            QStringLiteral("Genre %1").arg(i % 7),
                            QStringLiteral("%1-05-17").arg(1960 + i % 60),
                            {},
                            {}};
        if (mp3) {
            tags.popularimeters.push_back({"Windows Media Player 9 Series", (i * 37) % 256});
        } else {
            tags.fields.push_back({"FMPS_RATING", QString::number(i % 6 / 5.0, 'f', 1)});
        }
        if (!demo::writeSong(folder + u'/' + relative, 2 + i % 5, tags)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(relative));
            return false;
        }
        m3u += relative.toUtf8() + '\n';
    }
    QFile playlist(folder + u'/' + PlaylistName + QStringLiteral(".m3u8"));
    QFile marker(complete);
    return playlist.open(QIODevice::WriteOnly) && playlist.write(m3u) == m3u.size() &&
           marker.open(QIODevice::WriteOnly);
}

std::shared_ptr<FileLibrary> openBenchLibrary(benchmark::State& state,
                                              const LibraryOptions& options = {}) {
    const QString folder = libraryFolder();
    QString error;
    std::shared_ptr<Player> player;
    if (ensureLibrary(folder)) {
        player = openFileLibrary(folder, &error, options);
    }
    if (!player) {
        state.SkipWithError("cannot make the benchmark's library");
    }
    return std::dynamic_pointer_cast<FileLibrary>(player);
}

// Arg: the threads that read (0: one per core).
void FirstListing(benchmark::State& state) {
    long long reads = 0;
    LibraryOptions options;
    options.readingThreads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const auto library = openBenchLibrary(state, options); // a fresh library: nothing read yet
        state.ResumeTiming();
        if (!library) {
            return;
        }
        listAll(*library, PlaylistName, Songs, state);
        reads = library->audioFileReads();
    }
    state.counters["audio_file_reads"] = static_cast<double>(reads);
}
BENCHMARK(FirstListing)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

QString indexedFolder(int songs) {
    return QDir::tempPath() + QStringLiteral("/corvane-bench-indexed-%1").arg(songs);
}

// `songs` empty files (a thousand a folder), changed an hour ago, a playlist "All" of them, and
// a tag index that holds a song for each.
bool ensureIndexedLibrary(const QString& folder, int songs) {
    const QString complete = folder + QStringLiteral("/.complete");
    if (QFile::exists(complete)) {
        return true;
    }
    std::fprintf(stderr, "Writing %d files and their index to %s (once)...\n", songs,
                 qPrintable(folder));
    const QString index = folder + QStringLiteral("/cache/corvane/tags.sqlite");
    QFile::remove(index);
    const qint64 then = QDateTime::currentSecsSinceEpoch() - 3600;
    const timespec times[2] = {{then, 0}, {then, 0}};
    QByteArray m3u;
    std::vector<TagIndex::Song> kept;
    for (int i = 0; i < songs; ++i) {
        const QString path =
            QStringLiteral("%1/Artist %2/%3 Song.flac").arg(folder).arg(i / 1000).arg(i);
        if (i % 1000 == 0) {
            QDir().mkpath(QFileInfo(path).absolutePath());
        }
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 || ::futimens(fd, times) != 0) {
            return false;
        }
        ::close(fd);
        SongRead read;
        read.regularFile = true;
        read.stamp = fileStamp(path);
        read.info = {QStringLiteral("Song number %1").arg(i),
                     QStringLiteral("Artist %1").arg(i / 100),
                     QStringLiteral("Album %1").arg(i / 10),
                     QStringLiteral("Genre %1").arg(i % 7),
                     QString::number(1960 + i % 60),
                     QStringLiteral("flac"),
                     60 + i % 300 + 0.5,
                     true,
                     i % 100};
        kept.push_back({path, std::move(read)});
        m3u += path.toUtf8() + '\n';
    }
    TagIndex(index).keep(kept);
    return writeFile(folder + QStringLiteral("/All.m3u8"), m3u) && writeFile(complete, {});
}

// Arg: the playlist's songs. Each iteration a new library (as a fresh process), the index warm.
void IndexedListing(benchmark::State& state) {
    const int songs = static_cast<int>(state.range(0));
    const QString folder = indexedFolder(songs);
    if (!ensureIndexedLibrary(folder, songs)) {
        state.SkipWithError("cannot make the indexed library");
        return;
    }
    LibraryOptions options;
    options.tagIndex = folder + QStringLiteral("/cache/corvane/tags.sqlite");
    long long reads = 0;
    for (auto _ : state) {
        QString error;
        const auto library =
            std::dynamic_pointer_cast<FileLibrary>(openFileLibrary(folder, &error, options));
        listAll(*library, QStringLiteral("All"), songs, state);
        reads = library->audioFileReads();
    }
    state.counters["audio_file_reads"] = static_cast<double>(reads);
    state.SetItemsProcessed(state.iterations() * songs);
}
BENCHMARK(IndexedListing)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void RepeatListing(benchmark::State& state) {
    const auto library = openBenchLibrary(state);
    if (!library) {
        return;
    }
    listAll(*library, PlaylistName, Songs, state);
    const long long before = library->audioFileReads();
    for (auto _ : state) {
        listAll(*library, PlaylistName, Songs, state);
    }
    state.counters["audio_file_reads"] = static_cast<double>(library->audioFileReads() - before);
}
BENCHMARK(RepeatListing)->Unit(benchmark::kMillisecond);

// The share of a repeat listing spent looking at the playlist files again.
void RepeatGetByName(benchmark::State& state) {
    const auto library = openBenchLibrary(state);
    if (!library) {
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(library->getByName(PlaylistName).count());
    }
}
BENCHMARK(RepeatGetByName)->Unit(benchmark::kMillisecond);

constexpr int MissingEntries = 1'000'000;
const QString MissingName = QStringLiteral("Missing");

QString brokenFolder() {
    return QDir::tempPath() + QStringLiteral("/corvane-bench-broken-1");
}

bool ensureBrokenLibrary(const QString& folder) {
    const QString complete = folder + QStringLiteral("/.complete");
    if (QFile::exists(complete)) {
        return true;
    }
    QDir().mkpath(folder);
    QByteArray m3u("#EXTM3U\n");
    for (int i = 0; i < MissingEntries; ++i) {
        m3u += QStringLiteral("Gone Artist %1/Gone Album %2/%3 Missing song.mp3\n")
                   .arg(i / 1000)
                   .arg(i / 10 % 100)
                   .arg(i)
                   .toUtf8();
    }
    QByteArray xspf(R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/"><title>Broken</title><trackList>
)");
    constexpr qsizetype XspfBytes = 32 * 1000 * 1000;
    for (int i = 0; xspf.size() < XspfBytes; ++i) {
        xspf += QStringLiteral("<track><location>file:///gone/Artist%20%1/%2%20Song.flac</location>"
                               "<title>Song %2</title></track>\n")
                    .arg(i / 1000)
                    .arg(i)
                    .toUtf8();
        if (i == 100'000) {
            xspf += "<oops & </broken>\n"; // the reader gives up here; the rest is salvaged
        }
    }
    return writeFile(folder + u'/' + MissingName + QStringLiteral(".m3u"), m3u) &&
           writeFile(folder + QStringLiteral("/Broken.xspf"), xspf) && writeFile(complete, {});
}

std::shared_ptr<Player> openBrokenLibrary(benchmark::State& state) {
    QString error;
    std::shared_ptr<Player> player;
    if (ensureBrokenLibrary(brokenFolder())) {
        player = openFileLibrary(brokenFolder(), &error);
    }
    if (!player) {
        state.SkipWithError("cannot make the benchmark's broken library");
    }
    return player;
}

// The list of playlists of a fresh library: every playlist file read and parsed.
void ListBrokenPlaylists(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const auto player = openBrokenLibrary(state);
        state.ResumeTiming();
        if (!player) {
            return;
        }
        benchmark::DoNotOptimize(player->playlistCollection()->getAll().count());
    }
}
BENCHMARK(ListBrokenPlaylists)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening the million missing songs, every call of a listing made for each.
void OpenMissingPlaylist(benchmark::State& state) {
    const auto player = openBrokenLibrary(state);
    if (!player) {
        return;
    }
    player->playlistCollection()->getAll(); // the files read and parsed: not measured here
    for (auto _ : state) {
        const auto playlist = player->playlistCollection()->getByName(MissingName).item(0);
        for (int i = 0; i < playlist->count(); ++i) {
            const auto song = playlist->item(i);
            benchmark::DoNotOptimize(song->name());
            try {
                benchmark::DoNotOptimize(song->getItemInfo(attribute::Duration));
            } catch (const LibraryError&) {
            }
        }
    }
}
BENCHMARK(OpenMissingPlaylist)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
