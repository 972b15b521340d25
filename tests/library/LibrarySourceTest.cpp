// Which library a run reads: the one named, else everything found on this machine (under a
// temporary HOME, with MPD_HOST on a socket where no server listens) as one list.
#include "library/LibrarySource.h"

#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"
#include "stores/StoreFixtures.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace corvane::library;
using namespace corvane::storefixtures;

namespace {

class LibrarySourceTest : public ::testing::Test, public StoreFolder {
protected:
    SourceEnvironment environment() const {
        return {{dir_.path(), at("data"), at("config"), {}}, {at("no-mpd"), {}, {}}};
    }
    ChosenLibrary choose(const QString& source = {}, const LibraryOptions& options = {}) const {
        return chooseLibrary(source, options, environment());
    }

    const ScopedVariable noLibrary_{"CORVANE_LIBRARY", ""};
};

TEST_F(LibrarySourceTest, EverythingFoundIsOneListOfDistinctNamesWithoutTheStoreThatFails) {
    write("Music/Road Trip.m3u", "/music/file.mp3\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("Music/fifo.m3u")).constData(), 0600), 0);
    sql("data/strawberry/strawberry/strawberry.db",
        schema("strawberry") +
            QStringLiteral("INSERT INTO playlists (name, ui_order) VALUES ('Road "
                           "Trip', 0); INSERT INTO playlist_items (playlist, "
                           "type, url, title, length) VALUES (1, 5, "
                           "'http://radio.example/live', 'Radio One', -1);"));
    write("config/cmus/playlists/Road Trip", "/music/gone.mp3\n");
    write("data/rhythmbox/rhythmdb.xml", "<?xml version=\"1.0\"?>\n<rhythmdb version=\"2.0\">\n");

    const ChosenLibrary chosen = choose();
    ASSERT_TRUE(chosen.player) << chosen.problem.toStdString();
    EXPECT_FALSE(chosen.demo);
    const QString rhythmbox = at("data/rhythmbox/rhythmdb.xml");
    const QString cut = QStringLiteral("cannot read the Rhythmbox library \"%1\": the file is cut "
                                       "short (no </rhythmdb> at its end)")
                            .arg(rhythmbox);
    EXPECT_EQ(sourceLines(chosen.sources),
              QStringList(
                  {"playlist files\t" + at("Music") + "\t1 playlist",
                   "Rhythmbox\t" + rhythmbox + '\t' + cut,
                   "Strawberry\t" + at("data/strawberry/strawberry/strawberry.db") + "\t1 playlist",
                   "cmus\t" + at("config/cmus/playlists") + "\t1 playlist"}));

    const auto& library = *chosen.player->playlistCollection();
    const PlaylistArray all = library.getAll();
    EXPECT_EQ(names(all), QStringList({"Road Trip", "Road Trip (cmus)", "Road Trip (Strawberry)"}));
    // What a source notes passes on.
    EXPECT_EQ(all.notes(), QStringList({"1 playlist file could not be read (" +
                                            at("Music/fifo.m3u") + ": not a regular file)",
                                        cut}));
    // Each name opens its own source's playlist.
    for (const auto& [name, song] :
         {std::pair{"Road Trip", "file.mp3|!/music/file.mp3: no such file"},
          {"Road Trip (cmus)", "gone.mp3|!/music/gone.mp3: no such file"},
          {"Road Trip (Strawberry)", "Radio One||0||||||"}}) {
        EXPECT_EQ(listing(library, name), QStringList({song})) << name;
        EXPECT_EQ(names(library.getByName(name)), QStringList({name}));
    }
}

TEST_F(LibrarySourceTest, TheSourceNamedElseNothingFoundSaysWhereItLooked) {
    write("Lists/Mix.m3u", "Ann/a.mp3\n");
    ASSERT_TRUE(QDir().mkpath(at("Tunes/Ann")));
    ASSERT_TRUE(demo::writeSong(at("Tunes/Ann/a.mp3"), 5, {"A", {}, {}, {}, {}, {}, {}}));
    // The music folder given is where the playlist's relative songs are found.
    EXPECT_EQ(listing(*choose(at("Lists")).player, "Mix"),
              QStringList({"a.mp3|!" + at("Lists/Ann/a.mp3") + ": no such file"}));
    const ChosenLibrary named = choose(at("Lists"), {at("Tunes")});
    EXPECT_TRUE(listing(*named.player, "Mix").value(0).startsWith("A|00:05|"));
    EXPECT_EQ(sourceLines(named.sources),
              QStringList({"playlist files\t" + at("Lists") + "\t1 playlist"}));
    {
        const ScopedVariable fromEnvironment("CORVANE_LIBRARY", at("Lists").toUtf8());
        EXPECT_EQ(choose().sources.at(0).location, at("Lists"));
        EXPECT_EQ(choose(at("Tunes")).sources.at(0).location, at("Tunes"));
    }

    // Nothing here, and no demo beside the test: the music folder says it is not there.
    const ChosenLibrary none = choose();
    EXPECT_TRUE(none.sources.empty());
    EXPECT_FALSE(none.player);
    EXPECT_EQ(
        none.problem,
        QStringLiteral("cannot read the library \"%1\": no such folder or file").arg(at("Music")));
    EXPECT_EQ(placesSought(environment()),
              at("Music") +
                  ", the usual places of Rhythmbox, Strawberry, Clementine, Audacious, "
                  "cmus, iTunes, Lollypop, Kodi, Elisa and Quod Libet, and MPD at " +
                  at("no-mpd"));
}

} // namespace
