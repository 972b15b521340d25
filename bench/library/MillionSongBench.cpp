// A playlist of 1,000,000 songs, spread over 10,000 artists' folders, listed by a fresh corvane
// process with all eight items: from a Rhythmbox store (every song's tags in rhythmdb.xml) and
// from an MPD server (every song's tags in its answer), each with its wall time and peak memory,
// beside the figures before (the yardstick: 44 s and 2.1 GB for the Rhythmbox playlist) and the
// budget (20 s, 1 GB). The store is written once into $CORVANE_BENCH_MILLION, else
// <temp>/corvane-bench-million-1; the MPD server is this bench's own, on a socket there, and
// answers from memory as a server with the same songs in its database does.
//
// With --before, a corvane built from an earlier version (the yardstick's) lists the same
// playlists first, in the same run.
//
//   build-test/bin/bench_million [--before OLD_CORVANE] [rhythmbox|mpd]
#include "mpd/ScriptedMpdServer.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Songs = 1'000'000;
const QByteArray Playlist = "All Songs";

struct Song {
    QByteArray path, title, artist, album, genre;
    int year, seconds, stars;
};

Song songNumber(int i) {
    const QByteArray artist = "Artist " + QByteArray::number(i / 100);
    const QByteArray album = "Album " + QByteArray::number(i / 10);
    const QByteArray title = "Song number " + QByteArray::number(i);
    return {artist + '/' + album + '/' + QByteArray::number(i % 10) + ' ' + title + ".mp3",
            title,
            artist,
            album,
            "Genre " + QByteArray::number(i % 7),
            1960 + i % 60,
            120 + i % 300,
            i % 6};
}

QByteArray fileUrl(const QByteArray& path) {
    return QUrl::fromLocalFile(QStringLiteral("/music/") + QString::fromUtf8(path)).toEncoded();
}

bool writeRhythmbox(const QString& folder) {
    QByteArray db = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n";
    QByteArray lists = "<?xml version=\"1.0\"?>\n<rhythmdb-playlists>\n  <playlist name=\"" +
                       Playlist + "\" type=\"static\">\n";
    for (int i = 0; i < Songs; ++i) {
        const Song s = songNumber(i);
        const QByteArray location = fileUrl(s.path);
        db += "  <entry type=\"song\"><title>" + s.title + "</title><genre>" + s.genre +
              "</genre><artist>" + s.artist + "</artist><album>" + s.album + "</album><duration>" +
              QByteArray::number(s.seconds) + "</duration><location>" + location + "</location>" +
              (s.stars ? "<rating>" + QByteArray::number(s.stars) + "</rating>" : QByteArray()) +
              "<date>" + QByteArray::number(QDate(s.year, 1, 1).toJulianDay() - 1721425) +
              "</date></entry>\n";
        lists += "    <location>" + location + "</location>\n";
    }
    db += "</rhythmdb>\n";
    lists += "  </playlist>\n</rhythmdb-playlists>\n";
    QDir().mkpath(folder);
    QFile dbFile(folder + QStringLiteral("/rhythmdb.xml"));
    QFile listsFile(folder + QStringLiteral("/playlists.xml"));
    return dbFile.open(QIODevice::WriteOnly) && dbFile.write(db) == db.size() &&
           listsFile.open(QIODevice::WriteOnly) && listsFile.write(lists) == lists.size();
}

// The answer of a server whose database holds every song, as MPD 0.23 gives it.
QByteArray mpdAnswer() {
    QByteArray answer;
    for (int i = 0; i < Songs; ++i) {
        const Song s = songNumber(i);
        answer += "file: " + s.path +
                  "\nLast-Modified: 2024-01-01T00:00:00Z\nTime: " + QByteArray::number(s.seconds) +
                  "\nduration: " + QByteArray::number(s.seconds) + ".000\nArtist: " + s.artist +
                  "\nAlbum: " + s.album + "\nTitle: " + s.title + "\nGenre: " + s.genre +
                  "\nDate: " + QByteArray::number(s.year) + "\n";
    }
    return answer + "OK\n";
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user and system: the wall time says little on a busy machine
    double peakMb = 0;
    int exitCode = -1;
};

// One fresh process, its output thrown away: wall time and peak resident memory.
Run measure(const QStringList& command, const QString& home) {
    std::vector<QByteArray> words;
    for (const QString& word : command) {
        words.push_back(QFile::encodeName(word));
    }
    std::vector<char*> argv;
    for (QByteArray& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/cache")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    Run run;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
        };
        run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
        run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

void report(const char* what, const Run& run) {
    std::printf("%-34s %8.1f s %8.1f s %8.0f MB %6.0f B  exit %d\n", what, run.seconds,
                run.cpuSeconds, run.peakMb, run.peakMb * 1024 * 1024 / Songs, run.exitCode);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    QString before;
    if (arguments.size() >= 2 && arguments[0] == u"--before") {
        before = arguments[1];
        arguments = arguments.mid(2);
    }
    const QString only = arguments.value(0);
    const QString folder = qEnvironmentVariableIsSet("CORVANE_BENCH_MILLION")
                               ? qEnvironmentVariable("CORVANE_BENCH_MILLION")
                               : QDir::tempPath() + QStringLiteral("/corvane-bench-million-1");
    const QString corvane = QCoreApplication::applicationDirPath() + QStringLiteral("/corvane");
    const QStringList listing{QStringLiteral("--playlist"), QString::fromUtf8(Playlist),
                              QStringLiteral("--items"),
                              QStringLiteral("Title,Artist,Time,Rating,Genre,Year,Album,Type")};
    std::printf("A playlist of %d songs listed by a fresh corvane with all eight items\n", Songs);
    std::printf("%-34s %10s %10s %11s %8s\n", "", "wall", "CPU", "peak", "a song");
    std::printf("%-34s %10s %10s %11s\n", "yardstick: as reported before", "44.0 s", "", "2150 MB");
    std::printf("%-34s %10s %10s %11s\n", "budget", "20.0 s", "", "1024 MB");
    if (only.isEmpty() || only == u"rhythmbox") {
        const QString store = folder + QStringLiteral("/rhythmbox");
        if (!QFile::exists(store + QStringLiteral("/playlists.xml")) && !writeRhythmbox(store)) {
            std::fprintf(stderr, "bench_million: cannot write %s\n", qPrintable(store));
            return 1;
        }
        if (!before.isEmpty()) {
            report(
                "before, Rhythmbox store",
                measure(QStringList{before, QStringLiteral("--library"), store} + listing, folder));
        }
        report("corvane, Rhythmbox store",
               measure(QStringList{corvane, QStringLiteral("--library"), store} + listing, folder));
    }
    if (only.isEmpty() || only == u"mpd") {
        const QString socket = folder + QStringLiteral("/mpd.socket");
        // The stored playlist, its songs, no ratings, "OK" to the rest.
        const QByteArray songs = mpdAnswer();
        const ScriptedMpdServer server(socket, "OK MPD 0.23.5\n", [&](const QByteArray& command) {
            return command.startsWith("listplaylists")
                       ? "playlist: " + Playlist + "\nLast-Modified: 2024-01-01T00:00:00Z\nOK\n"
                   : command.startsWith("listplaylistinfo") ? songs
                                                            : QByteArray("OK\n");
        });
        if (!before.isEmpty()) {
            report("before, MPD server", measure(QStringList{before, QStringLiteral("--library"),
                                                             QStringLiteral("mpd://") + socket} +
                                                     listing,
                                                 folder));
        }
        report("corvane, MPD server", measure(QStringList{corvane, QStringLiteral("--library"),
                                                          QStringLiteral("mpd://") + socket} +
                                                  listing,
                                              folder));
    }
    return 0;
}
