#include "library/stores/PlayerStores.h"

#include "LibraryTestSupport.h"
#include "library/LibrarySource.h"
#include "library/MemoryLibrary.h"
#include "library/demo/AudioWriter.h"
#include "library/files/FileLibrary.h"
#include "library/stores/StoreFormats.h"
#include "stores/StoreFixtures.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace corvane::library;
using namespace corvane::storefixtures;

namespace {

// The songs every store's "Road Trip" holds, in the store's own words.
const QString Radio = QStringLiteral("http://radio.example/live");
const QString SecondPath = QStringLiteral("/music/Bär/Zweites Lied #1.flac");

// What a listing of `name` shows and says: its songs as listing() gives them, then "note: ..."
// and "error: ..." lines.
QStringList shownAndSaid(const Player& player, const QString& name) {
    const PlaylistArray found = player.playlistCollection()->getByName(name);
    QStringList lines = listing(player, name);
    for (const QString& note : found.notes()) {
        lines.push_back("note: " + note);
    }
    if (!found.error().isEmpty()) {
        lines.push_back("error: " + found.error());
    }
    return lines;
}

// Each line of `shown` begins as the line of `expected` does, and there are as many.
void expectLinesBeginning(const QStringList& shown, const QStringList& expected, const char* what) {
    ASSERT_EQ(shown.size(), expected.size()) << what << ": " << shown.join('\n').toStdString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i].startsWith(expected[i]))
            << what << ": " << shown[i].toStdString()
            << "\nexpected: " << expected[i].toStdString();
    }
}

QByteArray utf16(const QByteArray& utf8, bool bigEndian) {
    QStringEncoder encode(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                          QStringConverter::Flag::WriteBom);
    return encode(QString::fromUtf8(utf8));
}

// A store's file as a hostile hand could make it, and the lines of "Road Trip" it leaves: each as
// it begins, or the one line that refuses the file.
struct Hostile {
    const char* what;
    QByteArray bytes;
    QStringList shown;
};

class PlayerStoresTest : public ::testing::Test, public StoreFolder {
protected:
    std::shared_ptr<Player> open(StoreKind kind, const QString& relative) {
        return openStore(kind, at(relative), files_.source());
    }
    // The Strawberry or Clementine database of "Road Trip", written as each player writes it.
    void writeDatabase(const QString& relative, SqliteLayout layout) {
        const bool strawberry = layout == SqliteLayout::Strawberry;
        const QString url = strawberry ? "url" : "filename";
        const auto blob = [&](const QString& u) {
            return strawberry ? sqlText(u) : "CAST(" + sqlText(u) + " AS BLOB)";
        };
        const QString link = strawberry ? "type, collection_id" : "type, library_id";
        const QString library = strawberry ? "2" : "'Library'";
        const QString stream = strawberry ? "5" : "'Stream'";
        // Clementine's songs name their folder and file times; Strawberry's default them.
        const QString fileColumns = strawberry ? "" : ", directory, mtime, ctime, filesize";
        const QString fileValues = strawberry ? "" : ", 1, 0, 0, 0";
        sql(relative,
            (strawberry ? schema("strawberry") : schema("clementine")) +
                QStringLiteral("INSERT INTO songs (ROWID, title, artist, album, genre, year, "
                               "length, rating, %1%2) VALUES (1, 'First Song', 'Ann', 'Album', "
                               "'Folk', 1999, 225000000000, 0.8, %3%4), (2, 'Zweites Lied', "
                               "'Bär', '', '', -1, 61500000000, -1, %5%4);")
                    .arg(url, fileColumns, blob(First), fileValues, blob(Second)) +
                QStringLiteral("INSERT INTO playlists (ROWID, name, ui_order, is_favorite) VALUES "
                               "(1, 'Second Tab', 1, 0), (2, 'Road Trip', 0, 0), (3, 'Kept', -1, "
                               "1); INSERT INTO playlist_items (playlist, %1, %2, title, artist, "
                               "length, rating) VALUES (2, %3, 1, '', NULL, NULL, NULL, NULL), "
                               "(2, %3, 2, '', NULL, NULL, NULL, NULL), (2, %3, 99, %4, "
                               "'Gone From Library', 'Dee', 10000000000, 0.4), (2, %5, NULL, %6, "
                               "'Radio One', NULL, -1, NULL);")
                    .arg(link, url, library, blob("file:///music/gone.ogg"), stream, blob(Radio)));
    }

    // Each case written to `file`, then shown by the store at `store`: alike when the window keeps
    // what it read and when a run that shows one view reads it as it is parsed. No file is read
    // that names no song, nor any at all with `readsNone`.
    void expectShown(StoreKind kind, const QString& store, const QString& file,
                     const std::vector<Hostile>& cases, bool readsNone) {
        for (const Hostile& c : cases) {
            write(file, c.bytes);
            for (const bool lookOnce : {false, true}) {
                files_.asked.clear();
                QStringList shown;
                try {
                    const auto player = openStore(kind, at(store), files_.source(), lookOnce);
                    EXPECT_EQ(names(*player), QStringList({"Road Trip"})) << c.what;
                    shown = shownAndSaid(*player, "Road Trip");
                } catch (const LibraryError& e) {
                    shown = QStringList({QString::fromUtf8(e.what())});
                }
                expectLinesBeginning(shown, c.shown, c.what);
                EXPECT_TRUE(readsNone ? files_.asked.isEmpty() : !files_.asked.contains("/"))
                    << c.what;
            }
        }
    }

    FakeFiles files_;
};

// Each database read as the player wrote it; a library source names it by its file or folder.
TEST_F(PlayerStoresTest, StrawberryAndClementine) {
    for (const auto& [kind, layout, file] :
         {std::tuple{StoreKind::Strawberry, SqliteLayout::Strawberry, "sb/strawberry.db"},
          std::tuple{StoreKind::Clementine, SqliteLayout::Clementine, "cl/clementine.db"}}) {
        SCOPED_TRACE(file);
        writeDatabase(file, layout);
        const auto player = open(kind, file);
        EXPECT_EQ(names(*player), QStringList({"Road Trip", "Second Tab", "Kept"}));
        for (const QString& source : {QString(file), QString(file).section(u'/', 0, 0)}) {
            QString error;
            const auto named = openLibrary(at(source), &error);
            ASSERT_TRUE(named) << error.toStdString();
            EXPECT_EQ(names(*named), names(*player));
        }
        EXPECT_EQ(listing(*player, "Road Trip"),
                  QStringList({"First Song|03:45|75|Ann|Folk|1999|Album|mp3|225",
                               "Zweites Lied|01:02|0|Bär||||flac|61.5",
                               "Gone From Library|00:10|25|Dee||||ogg|10", "Radio One||0||||||"}));
        EXPECT_EQ(files_.asked, QStringList());
    }
}

TEST_F(PlayerStoresTest, Audacious) {
    write("aud/playlists/order", "1002 1001 1002 1002\n"); // Café named thrice, listed once
    write("aud/playlists/1001.audpl", "title=Road%20Trip\nuri=" + First.toUtf8() +
                                          "\ntitle=First%20Song\nartist=Ann\nyear=1999\n"
                                          "length=225000\nuri=" +
                                          Second.toUtf8() +
                                          "\ntitle=Zweites%20Lied\nartist=B%C3%A4r\nlength=61000\n"
                                          "codec=FLAC\nuri=" +
                                          Radio.toUtf8() + "\ntitle=Radio%20One\n");
    // A NUL in a file URL is refused, not read as the path up to it.
    write("aud/playlists/1002.audpl",
          "title=Caf%C3%A9\nuri=file:///%00/etc/passwd\nuri=" + First.toUtf8() + "\nlength=9e99\n");
    write("aud/playlists/1003.audpl", "title=Not%20in%20the%20order\n");
    files_.present.insert("/music/Ann/First Song.mp3",
                          SongData{"First (file)", "Ann", "Album", "2020", "Pop", 99, 225, "mp3"});
    const auto player = open(StoreKind::Audacious, "aud");
    EXPECT_EQ(names(*player), QStringList({"Café", "Road Trip"}));
    QString error;
    const auto named = openLibrary(at("aud/playlists"), &error); // a library source names it
    ASSERT_TRUE(named) << error.toStdString();
    EXPECT_EQ(names(*named), names(*player));
    // The file's tags and rating where it is there; the cached ones, unrated, where it is gone.
    EXPECT_EQ(listing(*player, "Road Trip"),
              QStringList({"First (file)|03:45|99|Ann|Pop|2020|Album|mp3|225",
                           "Zweites Lied|01:01||Bär||||flac|61", "Radio One||||||||"}));
    EXPECT_EQ(files_.asked, QStringList({"/music/Ann/First Song.mp3", SecondPath}));
    files_.asked.clear();
    expectLinesBeginning(shownAndSaid(*player, "Café"), {"|", "First (file)|03:45|99|"}, "a NUL");
    EXPECT_EQ(files_.asked, QStringList({"/music/Ann/First Song.mp3"}));
}

// cmus's songs are read as the file library reads them.
TEST_F(PlayerStoresTest, Cmus) {
    ASSERT_TRUE(QDir().mkpath(at("Música/Ann")));
    ASSERT_TRUE(demo::writeSong(at("Música/Ann/First.mp3"), 5,
                                {"First Song", "Ann", "Album", "Folk", "1999", {{"x", 128}}, {}}));
    ASSERT_TRUE(demo::writeSong(at("Música/ñ.flac"), 61, {}));
    const QByteArray lines = at("Música/Ann/First.mp3").toUtf8() + "\n" +
                             at("Música/ñ.flac").toUtf8() + "\n/music/gone.ogg\n" + Radio.toUtf8() +
                             "\n";
    write("cmus/playlists/Road Trip", lines);
    write("files/Road Trip.m3u8", lines);
    const auto player = openStore(StoreKind::Cmus, at("cmus"), songFileSource());
    QString error;
    const auto files = openFileLibrary(at("files"), &error);
    ASSERT_TRUE(files) << error.toStdString();
    EXPECT_EQ(names(*player), QStringList({"Road Trip"}));
    EXPECT_EQ(listing(*player, "Road Trip"), listing(*files, "Road Trip"));
    EXPECT_TRUE(listing(*player, "Road Trip")[0].startsWith("First Song|00:05|50|Ann|Folk|1999|"));

    // Lines that name no file the system could open (a NUL, a 1 MB path, a name and a path longer
    // than the system allows) are counted in one note.
    QByteArray mix = "/music/kept.mp3\n";
    for (const QByteArray& line :
         {QByteArray("/music/a\0/etc/passwd", 20), "/music/" + QByteArray(1 << 20, 'p'),
          "/music/" + QByteArray(300, 'n') + "/a.mp3", QByteArray(2100, '/').replace("/", "a/")}) {
        mix += line + "\n";
    }
    write("cmus/playlists/Mix", mix);
    files_.asked.clear();
    EXPECT_EQ(shownAndSaid(*open(StoreKind::Cmus, "cmus"), "Mix"),
              QStringList({"kept.mp3|!/music/kept.mp3: no such file",
                           "note: 4 lines of the cmus playlist \"Mix\" named no file that can be "
                           "opened, and were left out"}));
    EXPECT_EQ(files_.asked, QStringList({"/music/kept.mp3"}));
}

TEST_F(PlayerStoresTest, ITunes) {
    const auto track = [](int id, const QString& fields) {
        return QStringLiteral("<key>%1</key><dict><key>Track ID</key><integer>%1</integer>%2"
                              "</dict>\n")
            .arg(id)
            .arg(fields);
    };
    const auto items = [](std::initializer_list<int> ids) {
        QString xml = QStringLiteral("<key>Playlist Items</key><array>");
        for (const int id : ids) {
            xml += QStringLiteral("<dict><key>Track ID</key><integer>%1</integer></dict>").arg(id);
        }
        return xml + QStringLiteral("</array>");
    };
    const QString plist =
        R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>Major Version</key><integer>1</integer>
<key>Minor Version</key><integer>1</integer><key>Tracks</key><dict>
)" +
        track(101, "<key>Name</key><string>First Song</string><key>Artist</key><string>Ann</string>"
                   "<key>Album</key><string>Album</string><key>Genre</key><string>Folk</string>"
                   "<key>Total Time</key><integer>225360</integer><key>Year</key><integer>1999"
                   "</integer><key>Rating</key><integer>80</integer><key>Location</key><string>"
                   "file://localhost/music/Ann/First%20Song.mp3</string>") +
        track(102, "<key>Name</key><string>Zweites Lied &amp; mehr</string><key>Artist</key>"
                   "<string>Bär</string><key>Total Time</key><integer>61000</integer>"
                   "<key>Rating</key><integer>60</integer><key>Rating Computed</key><true/>"
                   "<key>Location</key><string>" +
                       Second + "</string>") +
        track(103, "<key>Name</key><string>Radio One</string><key>Track Type</key><string>URL"
                   "</string><key>Location</key><string>" +
                       Radio + "</string>") +
        "</dict><key>Playlists</key><array>\n"
        "<dict><key>Name</key><string>Library</string><key>Master</key><true/>" +
        items({101, 102}) +
        "</dict>\n<dict><key>Name</key><string>Music</string><key>Distinguished Kind</key>"
        "<integer>4</integer>" +
        items({101}) +
        "</dict>\n<dict><key>Name</key><string>Trips</string><key>Folder</key><true/></dict>\n"
        "<dict><key>Name</key><string>Road Trip</string><key>Parent Persistent ID</key>"
        "<string>AB12</string>" +
        items({101, 102, 103, 104}) +
        "</dict>\n<dict><key>Name</key><string>Empty</string></dict>\n</array></dict></plist>\n";
    write("Music/iTunes/iTunes Music Library.xml", plist.toUtf8());
    const auto player = open(StoreKind::ITunes, "Music/iTunes/iTunes Music Library.xml");
    EXPECT_EQ(names(*player), QStringList({"Road Trip", "Empty"}));
    EXPECT_EQ(listing(*player, "Road Trip"),
              QStringList({"First Song|03:45|75|Ann|Folk|1999|Album|mp3|225.36",
                           "Zweites Lied & mehr|01:01|0|Bär||||flac|61", "Radio One||0||||||"}));
    EXPECT_EQ(files_.asked, QStringList());
}

TEST_F(PlayerStoresTest, HostileRhythmboxDatabases) {
    write("rb/playlists.xml", "<rhythmdb-playlists><playlist name=\"Road Trip\" type=\"static\">"
                              "<location>" +
                                  First.toUtf8() +
                                  "</location>"
                                  "<location>file:///music/new.mp3</location>"
                                  "<location>file:///%00/etc/passwd</location>"
                                  "</playlist></rhythmdb-playlists>\n");
    files_.present.insert("/music/new.mp3", NewSong);
    const QByteArray head = "<?xml version=\"1.0\"?>\n<rhythmdb version=\"2.0\">\n";
    const auto first = [&](const QByteArray& fields) {
        return "<entry type=\"song\"><location>" + First.toUtf8() + "</location>" + fields +
               "</entry>\n";
    };
    const QByteArray good =
        head + first("<title>First Song</title><duration>225</duration>") + "</rhythmdb>\n";
    const QString fromFiles = "New|00:05|50|Ann|Pop|2020|Album|mp3|5";
    const QString unreadable = "First Song.mp3|!/music/Ann/First Song.mp3: no such file";
    const QString error =
        "error: cannot read the Rhythmbox library \"" + at("rb/rhythmdb.xml") + "\": ";
    // The refused NUL path's song shows nothing.
    expectShown(
        StoreKind::Rhythmbox, "rb", "rb/rhythmdb.xml",
        {
            {"a bad element in the middle",
             head + "<entry type=\"song\"><title>A</titel></entry>\n" + good.sliced(head.size()),
             {unreadable, fromFiles, "|", error + "not well-formed XML at line 3"}},
            {"an entity bomb",
             "<?xml version=\"1.0\"?>\n<!DOCTYPE rhythmdb [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
             "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
             "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
             "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n"
             "<rhythmdb version=\"2.0\">\n" +
                 first("<title>&d;</title>") + "</rhythmdb>\n",
             {unreadable, fromFiles, "|", error + "not well-formed XML at line 4"}},
            {"an invalid character reference",
             head + first("<title>&#1;</title>") + "</rhythmdb>\n",
             {unreadable, fromFiles, "|", error + "not well-formed XML at line 3"}},
            {"a length no song has, and a title without bound",
             head +
                 first("<title>" + QByteArray(100'000, 't') +
                       "</title><duration>2500000000000"
                       "</duration>") +
                 "</rhythmdb>\n",
             {QString(MaxOutsideText, u't') + "||0|||||mp3|", fromFiles, "|"}},
            {"UTF-16 with its byte order mark",
             utf16(good, false),
             {"First Song|03:45|0|||||mp3|225", fromFiles, "|"}},
        },
        false);
}

// A database large enough to be read in two halves at once lists as it does read whole, and a
// fault in either half is said as the whole reading says it.
TEST_F(PlayerStoresTest, LargeRhythmboxDatabaseReadInHalves) {
    const auto location = [](int i) {
        return "file:///music/Artist%20" + QByteArray::number(i % 997) + "/Song%20" +
               QByteArray::number(i) + ".mp3";
    };
    const auto entry = [&](int i, const QByteArray& title) {
        return "  <entry type=\"song\"><title>" + title + "</title><artist>Artist " +
               QByteArray::number(i % 997) + "</artist><duration>" + QByteArray::number(i % 600) +
               "</duration><location>" + location(i) + "</location><rating>" +
               QByteArray::number(i % 6) + "</rating>" + QByteArray(1000, ' ') + "</entry>\n";
    };
    constexpr int Entries = 32'000; // over 32 MiB
    QByteArray database =
        "<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n";
    for (int i = 0; i < Entries; ++i) {
        database += entry(i, "Song " + QByteArray::number(i));
    }
    // The first song again near the end: its last entry is the one that counts.
    database += entry(0, "First Again") + "</rhythmdb>\n";
    ASSERT_GT(database.size(), 32 << 20);
    QByteArray playlist = "<rhythmdb-playlists><playlist name=\"Long\" type=\"static\">";
    for (const int i : {0, 1, Entries / 2 - 1, Entries / 2, Entries / 2 + 1, Entries - 1, 0}) {
        playlist += "<location>" + location(i) + "</location>";
    }
    write("rb/playlists.xml", playlist + "</playlist></rhythmdb-playlists>\n");

    const qsizetype middle = database.indexOf("<entry", database.size() / 2);
    for (const auto& [what, bytes] :
         {std::pair{"whole", database},
          std::pair{"a fault in the first half", QByteArray(database).replace(1000, 6, "<bad>")},
          std::pair{"a fault in the second half",
                    QByteArray(database).replace(middle + 1000, 6, "<bad>")}}) {
        write("rb/rhythmdb.xml", bytes);
        const QStringList whole =
            shownAndSaid(*openStore(StoreKind::Rhythmbox, at("rb"), files_.source()), "Long");
        EXPECT_EQ(
            shownAndSaid(*openStore(StoreKind::Rhythmbox, at("rb"), files_.source(), true), "Long"),
            whole)
            << what;
        if (bytes == database) {
            EXPECT_EQ(whole.first(), "First Again||0|Artist 0||||mp3|");
            EXPECT_EQ(whole.size(), 7);
        } else {
            EXPECT_TRUE(whole.last().startsWith("error: ")) << what;
        }
    }
}

TEST_F(PlayerStoresTest, HostileITunesLibraries) {
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                            "<dict><key>Major Version</key><integer>1</integer>\n<key>Tracks</key>"
                            "<dict>\n";
    const auto track = [](const QByteArray& fields) {
        return "<key>1</key><dict><key>Track ID</key><integer>1</integer><key>Name</key>"
               "<string>First Song</string><key>Location</key><string>" +
               fields + "</dict>\n";
    };
    const QByteArray located = First.toUtf8() + "</string>";
    const QByteArray playlists = "</dict>\n<key>Playlists</key><array><dict><key>Name</key>"
                                 "<string>Road Trip</string><key>Playlist Items</key><array><dict>"
                                 "<key>Track ID</key><integer>1</integer></dict></array></dict>"
                                 "</array>\n";
    const QByteArray good = head +
                            track(located + "<key>Total Time</key><integer>225000"
                                            "</integer>") +
                            playlists + "</dict></plist>\n";
    expectShown(
        StoreKind::ITunes, "itunes/iTunes Library.xml", "itunes/iTunes Library.xml",
        {
            {"cut in the middle, its last line kept",
             good.first(head.size() + 40) + "</plist>\n",
             {"cannot read the iTunes library \"" + at("itunes/iTunes Library.xml") +
              "\": the file is cut short (line 4"}},
            {"a Playlists key in a comment after the real one",
             good.first(good.size() - 16) +
                 "<!-- <key>Playlists</key><array><dict><key>Name</key>"
                 "<string>Fake</string></dict></array> -->\n</dict></plist>\n",
             {"First Song|03:45|0|||||mp3|225"}},
            {"a length near the 64-bit limit",
             head + track(located + "<key>Total Time</key><integer>9223372036854775000</integer>") +
                 playlists + "</dict></plist>\n",
             {"First Song||0|||||mp3|"}},
            {"tracks holding what looks like their end, in a comment and character data",
             QByteArray(good).replace(
                 "<key>Total Time</key>",
                 "<!-- </dict></dict> --><key>Comments</key><string><![CDATA["
                 "</dict><key>Playlists</key>]]></string><key>Total Time</key>"),
             {"First Song|03:45|0|||||mp3|225"}},
            {"UTF-16 with its byte order mark",
             utf16(QByteArray(good).replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\""), true),
             {"First Song|03:45|0|||||mp3|225"}},
        },
        true);
}

// As Quod Libet 4.5 writes them: XSPF named by the file, plain paths as <location>; older
// versions' files one path a line, hidden ones (its backups) left out.
TEST_F(PlayerStoresTest, QuodLibet) {
    const QString name = QStringLiteral("Road Trip/\u00dcn\u00efcode");
    write("ql/playlists/Road Trip%2F\u00dcn\u00efcode.xspf",
          "<?xml version='1.0' encoding='utf-8'?>\n<playlist version=\"1\"><title>Road "
          "Trip/\u00dcn\u00efcode</title><date>2026-12-07T14:08:13.582727</date><trackList><track>"
          "<location>/music/Ann/First Song.mp3</location><title>First Song</title><creator>Ann"
          "</creator><album>Steam &amp; Static</album><duration>123012</duration></track><track>"
          "<location>/music/B\u00e4r/Zweites Lied #1.flac</location><title>Zweites Lied</title>"
          "<creator>B\u00e4r</creator><duration>61000</duration></track><track><location>"
          "/music/100% Pure.flac</location></track></trackList></playlist>");
    write("ql/playlists/Old%3A%20Mix%2F1", QByteArray("/music/Ann/First Song.mp3\n/a\0b\n", 31));
    write("ql/playlists/.backup/Old", "/music/Ann/First Song.mp3\n");
    write("ql/playlists/.hidden", "/music/Ann/First Song.mp3\n");
    write("ql/playlists/cut.xspf", "<playlist><trackList><track>");
    files_.present.insert("/music/Ann/First Song.mp3",
                          SongData{"First (file)", "Ann", "Album", "2020", "Pop", 75, 123, "mp3"});
    const auto player = open(StoreKind::QuodLibet, "ql");
    EXPECT_EQ(names(*player), QStringList({"cut", "Old: Mix/1", name}));
    // The file's tags and rating where it is there; the cached ones, unrated, where it is gone.
    EXPECT_EQ(listing(*player, name),
              QStringList({"First (file)|02:03|75|Ann|Pop|2020|Album|mp3|123",
                           "Zweites Lied|01:01||B\u00e4r||||flac|61", "100% Pure|||||||flac|"}));
    EXPECT_EQ(shownAndSaid(*player, "Old: Mix/1"),
              QStringList({"First (file)|02:03|75|Ann|Pop|2020|Album|mp3|123",
                           "note: 1 line of the Quod Libet playlist \"Old: Mix/1\" named no file "
                           "that can be opened, and was left out"}));
    EXPECT_EQ(shownAndSaid(*player, "cut"),
              QStringList({"error: cannot read the Quod Libet library \"" + at("ql/playlists") +
                           "\": the file is cut short (line 1)"}));
}

TEST_F(PlayerStoresTest, HostileStrawberryDatabases) {
    // A damaged page under the playlists' songs: the playlist is listed, and its songs' failure
    // said as an error, never as an empty playlist.
    writeDatabase("damaged/strawberry.db", SqliteLayout::Strawberry);
    QString page;
    ASSERT_EQ(execSql(at("damaged/strawberry.db"),
                      "SELECT rootpage FROM sqlite_master WHERE name = 'playlist_items'", &page),
              "");
    QFile file(at("damaged/strawberry.db"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek((page.toLongLong() - 1) * 4096));
    file.write(QByteArray(4096, '\x5A'));
    file.close();
    const auto damaged = open(StoreKind::Strawberry, "damaged/strawberry.db");
    EXPECT_EQ(names(*damaged), QStringList({"Road Trip", "Second Tab", "Kept"}));
    expectLinesBeginning(
        shownAndSaid(*damaged, "Road Trip"),
        {"error: cannot read the Strawberry library \"" + at("damaged/strawberry.db") + "\": "},
        "a damaged page");

    // A player that writes again and again, holding its lock half a second with gaps of 20 ms:
    // every listing waits across the gaps, as no lock lasts the promised second.
    writeDatabase("busy/strawberry.db", SqliteLayout::Strawberry);
    const auto busy = open(StoreKind::Strawberry, "busy/strawberry.db");
    std::atomic<bool> done{false};
    std::thread writer([&] {
        Connection player(at("busy/strawberry.db"));
        while (!done) {
            if (player.exec("BEGIN EXCLUSIVE") == SQLITE_OK) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                player.exec("COMMIT");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    int failed = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         std::chrono::steady_clock::now() < end;) {
        try {
            failed += shownAndSaid(*busy, "Road Trip").size() != 4 ? 1 : 0;
        } catch (const LibraryError&) {
            ++failed;
        }
    }
    done = true;
    writer.join();
    EXPECT_EQ(failed, 0);
}

TEST_F(PlayerStoresTest, DiscoveryLooksInTheXdgFolders) {
    StoreEnvironment environment{dir_.path(), at("data"), at("config"), {}};
    write("data/rhythmbox/rhythmdb.xml", "");
    write(".local/share/strawberry/strawberry/strawberry.db", ""); // not where XDG says
    write("data/strawberry/strawberry/strawberry.db", "");
    write(".config/Clementine/clementine.db", ""); // Clementine's own place
    ASSERT_TRUE(QDir().mkpath(at("config/audacious/playlists")));
    ASSERT_TRUE(QDir().mkpath(at("config/cmus"))); // no playlists yet
    write("Music/iTunes/iTunes Library.xml", "");
    write("data/lollypop/playlists.db", "");
    write("data/lollypop/lollypop.db", "");
    ASSERT_TRUE(QDir().mkpath(at(".kodi/userdata/playlists/music")));
    ASSERT_TRUE(QDir().mkpath(at(".kodi/userdata/Database")));
    write("data/elisa/elisaDatabase.db", "");
    ASSERT_TRUE(QDir().mkpath(at(".quodlibet/playlists"))); // older versions' place
    const std::vector<FoundStore> expected{
        {StoreKind::Rhythmbox, at("data/rhythmbox/rhythmdb.xml")},
        {StoreKind::Strawberry, at("data/strawberry/strawberry/strawberry.db")},
        {StoreKind::Clementine, at(".config/Clementine/clementine.db")},
        {StoreKind::Audacious, at("config/audacious/playlists")},
        {StoreKind::ITunes, at("Music/iTunes/iTunes Library.xml")},
        {StoreKind::Lollypop, at("data/lollypop/playlists.db")},
        {StoreKind::Kodi, at(".kodi/userdata")},
        {StoreKind::Elisa, at("data/elisa/elisaDatabase.db")},
        {StoreKind::QuodLibet, at(".quodlibet/playlists")}};
    EXPECT_EQ(findStores(environment), expected);
    // Relative XDG folders are ignored, as the XDG rules say.
    environment.dataHome = QStringLiteral("data");
    EXPECT_EQ(findStores(environment)[0].location,
              at(".local/share/strawberry/strawberry/strawberry.db"));

    // Each store's file or folder is known for what it is; other sources are not stores.
    write("data/rhythmbox/playlists.xml", "<?xml version=\"1.0\"?><rhythmdb-playlists/>");
    write("Music/mix.m3u", "a.mp3\n");
    write("Music/list.xml", "<playlist xmlns=\"http://xspf.org/ns/0/\"/>");
    ASSERT_TRUE(QDir().mkpath(at("config/cmus/playlists")));
    const std::vector<std::pair<QString, std::optional<StoreKind>>> kinds{
        {"data/rhythmbox", StoreKind::Rhythmbox},
        {"data/rhythmbox/playlists.xml", StoreKind::Rhythmbox},
        {"data/strawberry/strawberry", StoreKind::Strawberry},
        {"Music/iTunes", StoreKind::ITunes},
        {"config/audacious", StoreKind::Audacious},
        {"config/cmus", StoreKind::Cmus},
        {"config/cmus/playlists", StoreKind::Cmus},
        {".quodlibet", StoreKind::QuodLibet},
        {".quodlibet/playlists", StoreKind::QuodLibet},
        {"Music/iTunes/iTunes Library.xml", StoreKind::ITunes},
        {"data/lollypop", StoreKind::Lollypop},
        {"data/lollypop/playlists.db", StoreKind::Lollypop},
        {".kodi", StoreKind::Kodi},
        {".kodi/userdata", StoreKind::Kodi},
        {".kodi/userdata/playlists/music", StoreKind::Kodi},
        {"data/elisa", StoreKind::Elisa},
        {"Music", std::nullopt},
        {"Music/mix.m3u", std::nullopt},
        {"Music/list.xml", std::nullopt}};
    for (const auto& [source, kind] : kinds) {
        EXPECT_EQ(storeKindOf(at(source)), kind) << source.toStdString();
    }
}

TEST_F(PlayerStoresTest, BadStoresSayWhichAndWhy) {
    const QByteArray rhythmdb = "<?xml version=\"1.0\"?>\n<rhythmdb version=\"2.0\">\n"
                                "  <entry type=\"song\"><title>A</title><location>file:///a.mp3"
                                "</location></entry>\n</rhythmdb>\n";
    write("cut/rhythmdb.xml", rhythmdb.first(rhythmdb.indexOf("</location>") + 5));
    write("newer/rhythmdb.xml", QByteArray(rhythmdb).replace("2.0", "3.0"));
    write("badlists/rhythmdb.xml", rhythmdb);
    write("badlists/playlists.xml",
          "<rhythmdb-playlists><playlist name=\"A\" type=\"static\"></rhythmdb-playlists>");
    write("text/strawberry.db", "This is no database at all, just text.");
    write("empty/strawberry.db", "");
    sql("other/clementine.db", "CREATE TABLE notes (text TEXT);");
    sql("layout/library.db", "CREATE TABLE playlists (name TEXT); CREATE TABLE songs (url TEXT);"
                             "CREATE TABLE playlist_items (playlist INTEGER, song INTEGER);");
    sql("corrupt/strawberry.db", schema("strawberry"));
    QFile corrupt(at("corrupt/strawberry.db"));
    ASSERT_TRUE(corrupt.open(QIODevice::ReadWrite) && corrupt.seek(100));
    corrupt.write(QByteArray(4000, '\x5A'));
    corrupt.close();
    const QByteArray plist = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Major "
                             "Version</key><integer>1</integer><key>Tracks</key><dict/></dict>"
                             "</plist>\n";
    write("Music/iTunes/iTunes Library.xml", plist.first(plist.size() - 12));
    write("Music/Library.xml", QByteArray(plist).replace("<integer>1", "<integer>2"));
    write("Music/iTunes Music Library.xml", "<html/>");
    const std::vector<std::tuple<QString, QString, QString>> cases{
        {"missing/clementine.db", "Clementine", "no such file"},
        {"cut/rhythmdb.xml", "Rhythmbox", "the file is cut short"},
        {"newer/rhythmdb.xml", "Rhythmbox", "written by a newer Rhythmbox (database version 3.0)"},
        {"badlists", "Rhythmbox", "not well-formed XML at line 1: "},
        {"text/strawberry.db", "Strawberry", "not an SQLite database"},
        {"empty/strawberry.db", "Strawberry", "an empty file, not an SQLite database"},
        {"other/clementine.db", "Clementine", "no table \"playlists\": not a Strawberry"},
        {"layout/library.db", "Strawberry", "unknown layout (no collection_id or library_id)"},
        {"corrupt/strawberry.db", "Strawberry", "malformed"},
        {"Music/iTunes/iTunes Library.xml", "iTunes", "the file is cut short"},
        {"Music/Library.xml", "iTunes", "an iTunes library of unknown version 2"},
        {"Music/iTunes Music Library.xml", "iTunes", "not an iTunes library (no property list)"}};
    for (const auto& [source, player, why] : cases) {
        QString error;
        EXPECT_FALSE(openLibrary(at(source), &error));
        const QString shown = source.endsWith(u"badlists") ? source + "/playlists.xml" : source;
        EXPECT_TRUE(error.startsWith(
            QStringLiteral("cannot read the %1 library \"%2\": ").arg(player, at(shown))))
            << error.toStdString();
        EXPECT_TRUE(error.contains(why)) << error.toStdString();
        EXPECT_FALSE(error.contains(u'\n'));
    }
}

TEST_F(PlayerStoresTest, ARunningPlayersDatabaseIsReadWithoutLockingIt) {
    writeDatabase("wal/strawberry.db", SqliteLayout::Strawberry);
    Connection player(at("wal/strawberry.db"));
    ASSERT_EQ(player.exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                          "UPDATE playlists SET name = 'In the WAL' WHERE ROWID = 1;"
                          "BEGIN IMMEDIATE; UPDATE playlists SET name = 'Uncommitted';"),
              SQLITE_OK);
    // What the player committed, its WAL included, while it holds its write lock.
    const auto store = open(StoreKind::Strawberry, "wal/strawberry.db");
    EXPECT_EQ(names(*store), QStringList({"Road Trip", "In the WAL", "Kept"}));
    EXPECT_EQ(listing(*store, "Road Trip").size(), 4);
    EXPECT_EQ(player.exec("COMMIT"), SQLITE_OK);
    EXPECT_EQ(names(*store), QStringList({"Uncommitted", "Uncommitted", "Uncommitted"}));

    // In the rollback journal's mode, a player holding its exclusive lock keeps readers out.
    writeDatabase("locked/clementine.db", SqliteLayout::Clementine);
    const auto opened = open(StoreKind::Clementine, "locked/clementine.db");
    Connection other(at("locked/clementine.db"));
    ASSERT_EQ(other.exec("BEGIN EXCLUSIVE; DELETE FROM playlist_items;"), SQLITE_OK);
    QString error;
    EXPECT_FALSE(openLibrary(at("locked/clementine.db"), &error));
    EXPECT_TRUE(error.contains("the database is locked by another program")) << error.toStdString();
    EXPECT_THROW(opened->playlistCollection()->getAll(), LibraryError);
    EXPECT_EQ(other.exec("ROLLBACK"), SQLITE_OK);
    // Once it is done, reading goes on; between reads no lock is held that would stop it.
    EXPECT_EQ(listing(*opened, "Road Trip").size(), 4);
    EXPECT_EQ(other.exec("BEGIN EXCLUSIVE; COMMIT;"), SQLITE_OK);
}

TEST_F(PlayerStoresTest, AWalDatabaseInAFolderNoOneCanWriteIsReadAsItStands) {
    writeDatabase("ro/strawberry.db", SqliteLayout::Strawberry);
    ASSERT_EQ(Connection(at("ro/strawberry.db")).exec("PRAGMA journal_mode=WAL"), SQLITE_OK);
    // An immutable folder: not even root can make the -shm file a WAL reader needs.
    const int folder = ::open(QFile::encodeName(at("ro")).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    ASSERT_EQ(::ioctl(folder, FS_IOC_GETFLAGS, &flags), 0);
    const int immutable = flags | FS_IMMUTABLE_FL;
    if (::ioctl(folder, FS_IOC_SETFLAGS, &immutable) != 0) {
        ::close(folder);
        GTEST_SKIP() << "making a folder immutable needs root, as CI runs the tests";
    }
    std::shared_ptr<Player> store;
    QString error;
    EXPECT_NO_THROW(store = open(StoreKind::Strawberry, "ro/strawberry.db"));
    ::ioctl(folder, FS_IOC_SETFLAGS, &flags);
    ::close(folder);
    ASSERT_TRUE(store);
    EXPECT_EQ(listing(*store, "Road Trip").size(), 4);
}

} // namespace
