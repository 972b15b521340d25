#pragma once
// The 10,000 generated songs that the MPD benchmarks list, served by the bench's own mpd
// (tests/library/MpdTestServer.h): written, scanned and put in one stored playlist on the first
// run into a folder kept for later runs (a ".complete" file marks it made).
#include "library/demo/AudioWriter.h"
#include "mpd/MpdTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <mpd/client.h>

namespace corvane::bench {

inline constexpr int MpdSongs = 10000;
inline const QString MpdPlaylistName = QStringLiteral("All Songs");

// $VARIABLE, else <temp>/NAME.
inline QString benchFolder(const char* variable, const char* name) {
    const QString given = qEnvironmentVariable(variable);
    return given.isEmpty() ? QDir::tempPath() + u'/' + QString::fromLatin1(name) : given;
}

inline QString mpdSongPath(int i) {
    return QStringLiteral("Artist %1/Album %2/%3 Song number %4.flac")
        .arg(i / 100)
        .arg(i / 10 % 10)
        .arg(i % 10, 2, 10, QLatin1Char('0'))
        .arg(i);
}

struct MpdBenchExtras {
    // Adds to a song's tags before it is written.
    std::function<void(int, library::demo::SongTags&)> tags = [](int, auto&) {};
    // Called once the songs are written: anything else made of them on the first run.
    std::function<QString(const QStringList& paths)> written = [](const QStringList&) {
        return QString();
    };
    // Sends more for each song while the stored playlist is filled (a sticker).
    std::function<void(mpd_connection*, int, const QByteArray& uri)> perSong = [](auto*, int,
                                                                                  const auto&) {};
};

// The server, started; on the first run the songs are written and the stored playlist made.
inline QString startMpdBenchServer(library::test::MpdTestServer& server, const QString& folder,
                                   const MpdBenchExtras& extras = {}) {
    const QString complete = folder + QStringLiteral("/.complete");
    const bool made = QFile::exists(complete);
    if (!made) {
        std::fprintf(stderr, "Writing %d songs to %s (once)...\n", MpdSongs, qPrintable(folder));
        QStringList paths;
        for (int i = 0; i < MpdSongs; ++i) {
            const QString path = server.musicFolder() + u'/' + mpdSongPath(i);
            QDir().mkpath(QFileInfo(path).absolutePath());
            library::demo::SongTags tags{QStringLiteral("Song number %1").arg(i),
                                         QStringLiteral("Artist %1").arg(i / 100),
                                         QStringLiteral("Album %1").arg(i / 10),
                                         QStringLiteral("Genre %1").arg(i % 7),
                                         QStringLiteral("%1-05-17").arg(1960 + i % 60),
                                         {},
                                         {}};
            extras.tags(i, tags);
            if (!library::demo::writeSong(path, 1 + i % 5, tags)) {
                return QStringLiteral("cannot write %1").arg(path);
            }
            paths << path;
        }
        if (QString why = extras.written(paths); !why.isEmpty()) {
            return why;
        }
    }
    if (QString why = server.start(); !why.isEmpty() || made) {
        return why;
    }
    QString why = server.update();
    if (why.isEmpty()) {
        why = server.run([&](mpd_connection* c) {
            mpd_command_list_begin(c, false);
            for (int i = 0; i < MpdSongs; ++i) {
                const QByteArray uri = mpdSongPath(i).toUtf8();
                mpd_send_playlist_add(c, MpdPlaylistName.toUtf8().constData(), uri.constData());
                extras.perSong(c, i, uri);
            }
            return mpd_command_list_end(c) && mpd_response_finish(c);
        });
    }
    if (why.isEmpty() && !QFile(complete).open(QIODevice::WriteOnly)) {
        why = QStringLiteral("cannot write %1").arg(complete);
    }
    return why;
}

} // namespace corvane::bench
