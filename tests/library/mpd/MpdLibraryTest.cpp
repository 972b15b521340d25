// The MPD backend against a real server (started on files of its own, see MpdTestServer.h), and
// against a fake one for the failures that a real server does not make on cue.
#include "library/mpd/MpdLibrary.h"

#include "LibraryTestSupport.h"
#include "library/LibrarySource.h"
#include "library/demo/AudioWriter.h"
#include "mpd/MpdTestServer.h"
#include "mpd/ScriptedMpdServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <mpd/client.h>
#include <optional>
#include <unistd.h>

using namespace corvane::library;
using corvane::library::test::MpdTestServer;

namespace {

struct SongFile {
    const char* path;
    double seconds;
    demo::SongTags tags;
};

const SongFile Songs[] = {
    {"Rock/01 Première.flac",
     83.25,
     {"Première 東京", "Ada", "Dawn", "Rock", "2019-05-03", {}, {}}},
    {"Rock/gone.flac", 1, {"Gone", "Nobody", {}, {}, {}, {}, {}}}, // deleted once listed
    {"Rock/02 Untitled.mp3", 2, {{}, "Bo", {}, {}, "03/05/1987", {}, {}}},
    {"R/0.flac", 1, {"0", {}, {}, {}, {}, {}, {}}},
    {"R/9.flac", 1, {"9", {}, {}, {}, {}, {}, {}}},
};

const std::pair<const char*, QStringList> StoredPlaylists[] = {
    {"Rock", {"Rock/01 Première.flac", "Rock/gone.flac", "Rock/02 Untitled.mp3"}},
    {"mix 10", {"R/0.flac"}},
    {"Mix 9", {"R/0.flac"}},
};

// MPD clients' "rating" stickers (their scale is RatingTest's).
const std::pair<const char*, const char*> Stickers[] = {{"Rock/01 Première.flac", "7"}};

QString failureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const LibraryError& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("(no failure)");
}

const QStringList RockRows = {
    "Première 東京|01:23|75|Ada|Rock|2019|Dawn|flac|83.25",
    "gone.flac||||||||",
    "02 Untitled|00:02|0|Bo||1987||mp3|2.016",
};

// A server on 127.0.0.1 giving each command the reply of the first rule whose command it begins
// with ("OK\n" to others); a reply that begins "endless:" is the rest without end, "slow:" the
// same every 20 ms. With no greeting it accepts and never answers.
using Rules = std::vector<std::pair<QByteArray, QByteArray>>;
std::unique_ptr<ScriptedMpdServer> fakeServer(const QByteArray& greeting, const Rules& rules) {
    using Reply = ScriptedMpdServer::Reply;
    const auto answer = [rules](const QByteArray& command) -> Reply {
        for (const auto& [start, reply] : rules) {
            if (!command.startsWith(start)) {
                continue;
            }
            for (const auto& [kind, repeat] : {std::pair{"endless:", Reply::Repeat::Endless},
                                               std::pair{"slow:", Reply::Repeat::Slow}}) {
                if (reply.startsWith(kind)) {
                    return {reply.sliced(static_cast<qsizetype>(strlen(kind))), repeat};
                }
            }
            return reply;
        }
        return QByteArray("OK\n");
    };
    return std::make_unique<ScriptedMpdServer>(QString(), greeting, answer, 1);
}

class MpdLibraryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::optional<MpdTestServer> server;

    // A server on the songs above; playlists and ratings made through the protocol, and one
    // song deleted from the disk and the database once it was in a playlist.
    void serve(const QString& password = {}, bool stickers = true) {
        server.emplace(MpdTestServer::Options{dir.path(), password, stickers});
        for (const SongFile& song : Songs) {
            QDir().mkpath(server->musicFolder() + u'/' +
                          QString::fromUtf8(song.path).section(u'/', 0, 0));
            ASSERT_TRUE(demo::writeSong(server->musicFolder() + u'/' + QString::fromUtf8(song.path),
                                        song.seconds, song.tags));
        }
        ASSERT_EQ(server->start(), QString());
        ASSERT_EQ(server->update(), QString());
        ASSERT_EQ(server->run([&](mpd_connection* c) {
            for (const auto& [name, uris] : StoredPlaylists) {
                for (const QString& uri : uris) {
                    if (!mpd_run_playlist_add(c, name, uri.toUtf8().constData())) {
                        return false;
                    }
                }
            }
            for (const auto& [uri, rating] : Stickers) {
                if (stickers && !mpd_run_sticker_set(c, "song", uri, "rating", rating)) {
                    return false;
                }
            }
            return true;
        }),
                  QString());
        ASSERT_TRUE(QFile::remove(server->musicFolder() + QStringLiteral("/Rock/gone.flac")));
        ASSERT_EQ(server->update(), QString());
    }
};

} // namespace

// Stored playlists in order with every cell, the server found by default, and a playlist read
// again only when the server says it changed.
TEST_F(MpdLibraryTest, ListsStoredPlaylistsAndReadsOneAgainOnlyWhenChanged) {
    ASSERT_NO_FATAL_FAILURE(serve());
    QString error;
    const auto player =
        openLibrary(QStringLiteral("mpd://127.0.0.1:%1").arg(server->port()), &error);
    ASSERT_TRUE(player) << error.toStdString();
    const auto library = player->playlistCollection();
    EXPECT_EQ(names(*library), QStringList({"Mix 9", "mix 10", "Rock"}));
    EXPECT_EQ(listing(*library, QStringLiteral("Rock")), RockRows);
    EXPECT_TRUE(library->getByName(QStringLiteral("Roc")).count() == 0);

    // The default server as MPD clients find it.
    qputenv("MPD_HOST", QFile::encodeName(server->socketPath()));
    const auto byDefault = openLibrary(QStringLiteral("mpd:"), &error);
    ASSERT_TRUE(byDefault) << error.toStdString();
    EXPECT_EQ(names(*byDefault->playlistCollection()), names(*library));
    qunsetenv("MPD_HOST");

    // Found at the default address only when it greets at once.
    const QTemporaryDir home;
    SourceEnvironment environment{{home.path(), {}, {}, {}}, {server->socketPath(), {}, {}}};
    EXPECT_EQ(sourceLines(findSources(environment)),
              QStringList({"MPD\tmpd://" + server->socketPath() + "\t3 playlists"}));
    // One that takes the connection and never greets is not waited for, nor is nobody.
    const auto silent = fakeServer({}, {});
    environment.mpd = {QStringLiteral("127.0.0.1"), QString::number(silent->port), {}};
    EXPECT_TRUE(findSources(environment).empty());
    environment.mpd.host = home.filePath("no-socket");
    EXPECT_TRUE(findSources(environment).empty());

    // A playlist is read again only when the server says it changed.
    const MpdLibrary again(server->address());
    EXPECT_EQ(listing(again, QStringLiteral("Rock")), RockRows);
    EXPECT_EQ(listing(again, QStringLiteral("Rock")), RockRows);
    names(again);
    EXPECT_EQ(again.playlistReads(), 1);

    const struct {
        const char* change;
        std::function<bool(mpd_connection*)> commands;
        int row;
        int cell;
        const char* shown;
    } changes[] = {
        {"a song added",
         [](mpd_connection* c) { return mpd_run_playlist_add(c, "Rock", "R/9.flac"); }, 3, 0, "9"},
        {"a rating",
         [](mpd_connection* c) {
             return mpd_run_sticker_set(c, "song", "Rock/01 Première.flac", "rating", "10");
         },
         0, 2, "99"},
        {"a title tag",
         [&](mpd_connection*) {
             return demo::writeTags(server->musicFolder() + QStringLiteral("/R/9.flac"),
                                    {"Nine", {}, {}, {}, {}, {}, {}}) &&
                    server->update(true).isEmpty();
         },
         3, 0, "Nine"},
    };
    for (const auto& c : changes) {
        ASSERT_EQ(server->run(c.commands), QString()) << c.change;
        const auto rows = listing(again, QStringLiteral("Rock"));
        ASSERT_GT(rows.size(), c.row) << c.change;
        EXPECT_EQ(rows[c.row].split(u'|')[c.cell], QString::fromUtf8(c.shown)) << c.change;
    }
    EXPECT_EQ(again.playlistReads(), 4);
}

TEST_F(MpdLibraryTest, PasswordRightWrongOrMissing) {
    ASSERT_NO_FATAL_FAILURE(serve(QStringLiteral("secret"), false));
    MpdAddress address = server->address();
    // Right: and without a sticker database every song is unrated.
    const MpdLibrary library(address);
    QStringList unrated = RockRows;
    unrated[0].replace(QStringLiteral("|75|"), QStringLiteral("|0|"));
    EXPECT_EQ(listing(library, QStringLiteral("Rock")), unrated);

    const QString prefix = QStringLiteral("MPD at 127.0.0.1:%1: ").arg(server->port());
    for (const auto& [password, said] :
         {std::pair{"wrong", "wrong password"},
          std::pair{"", "the server wants a password (mpd://PASSWORD@HOST)"}}) {
        address.password = QString::fromUtf8(password);
        EXPECT_EQ(failureOf([&] { MpdLibrary{address}; }), prefix + QString::fromUtf8(said));
    }
}

TEST_F(MpdLibraryTest, AServerGoneSaysSoAndTheNextClickReconnects) {
    ASSERT_NO_FATAL_FAILURE(serve());
    // Over the socket, where writing to a server that is gone raises SIGPIPE.
    const MpdLibrary library(MpdAddress{{{server->socketPath(), 0}}, {}});
    ASSERT_EQ(listing(library, QStringLiteral("Rock")), RockRows);

    server->kill();
    const QString gone =
        QStringLiteral("MPD at %1: no server there (Connection refused)").arg(server->socketPath());
    EXPECT_EQ(failureOf([&] { listing(library, QStringLiteral("Rock")); }), gone);
    EXPECT_EQ(failureOf([&] { names(library); }), gone);

    ASSERT_EQ(server->start(), QString());
    EXPECT_EQ(listing(library, QStringLiteral("Rock")), RockRows);
    // Restarted between two clicks: the dropped connection is opened again at once.
    server->kill();
    ASSERT_EQ(server->start(), QString());
    EXPECT_EQ(listing(library, QStringLiteral("Rock")), RockRows);
}

TEST(MpdFailures, EachIsOneLineNamingTheServer) {
    const QByteArray hello = "OK MPD 0.23.5\n";
    const QByteArray playlists = "playlist: P\nLast-Modified: 2024-01-01T00:00:00Z\nOK\n";
    const struct {
        const char* what;
        std::optional<QByteArray> greeting; // none: nothing listens
        Rules rules;
        const char* listed; // the playlist whose listing fails; none: opening fails
        const char* said;
        bool stopped = false; // the reading is stopped (the window closes)
    } cases[] = {
        {"no server", std::nullopt, {}, nullptr, "no server there (Connection refused)"},
        {"silent", "", {}, nullptr, "no answer within 1 second while connecting"},
        {"not MPD",
         "HTTP/1.0 400 Bad Request\n",
         {},
         nullptr,
         "the server does not speak MPD's protocol (Malformed connect message received)"},
        {"garbled reply",
         hello,
         {{"listplaylists", "<html>\n"}},
         nullptr,
         "the server does not speak MPD's protocol (Failed to parse MPD response)"},
        {"refused",
         hello,
         {{"listplaylists", playlists},
          {"listplaylistinfo", "ACK [52@0] {listplaylistinfo} Broken playlist\n"}},
         "P",
         "listing \"P\" failed: Broken playlist"},
        {"gone while listing",
         hello,
         {{"listplaylists", playlists}, {"listplaylistinfo", "file: a.flac\nTitle: A\n"}},
         "P",
         "the server closed the connection while listing \"P\""},
        // Answers without end: each bounded in entries and in time, and a listing stopped.
        {"endless playlists",
         hello,
         {{"listplaylists", "endless:playlist: P\n"}},
         nullptr,
         "more than 100 playlists while listing the playlists; no more are read"},
        {"endless songs",
         hello,
         {{"listplaylists", playlists}, {"listplaylistinfo", "endless:file: a.flac\n"}},
         "P",
         "more than 1,000 songs while listing \"P\"; no more are read"},
        {"endless, slowly",
         hello,
         {{"listplaylists", playlists}, {"listplaylistinfo", "slow:file: a.flac\n"}},
         "P",
         "no whole answer within 1 second while listing \"P\""},
        {"stopped",
         hello,
         {{"listplaylists", playlists}, {"listplaylistinfo", "slow:file: a.flac\n"}},
         "P",
         "stopped while listing the playlists",
         true},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ScriptedMpdServer> fake;
        unsigned port = test::freePort();
        if (c.greeting) {
            fake = fakeServer(*c.greeting, c.rules);
            port = fake->port;
        }
        const MpdAddress address{{{QStringLiteral("127.0.0.1"), port}}, {}};
        auto progress = std::make_shared<ReadProgress>();
        const MpdLibrary::Bounds bounds{1, 1000, 100, progress};
        const QString said = failureOf([&] {
            const MpdLibrary library(address, 1, bounds);
            if (c.stopped) {
                progress->stop();
            }
            if (c.listed) {
                library.getByName(QString::fromUtf8(c.listed));
            }
        });
        EXPECT_EQ(said, QStringLiteral("MPD at 127.0.0.1:%1: %2").arg(port).arg(c.said)) << c.what;
    }
}
