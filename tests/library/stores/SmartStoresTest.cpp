#include "LibraryTestSupport.h"
#include "library/LibrarySource.h"
#include "library/MemoryLibrary.h"
#include "library/demo/AudioWriter.h"
#include "library/stores/PlayerStores.h"
#include "library/stores/RhythmboxQuery.h"
#include "library/stores/StoreFormats.h"
#include "stores/StoreFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QUrl>
#include <gtest/gtest.h>

// Lollypop's, Kodi's and Rhythmbox's playlists, smart ones evaluated as the players do, and
// Elisa's ratings.
using namespace corvane::library;
using namespace corvane::storefixtures;

namespace {

class SmartStoresTest : public ::testing::Test, public StoreFolder {
protected:
    FakeFiles files_;
};

// Lollypop's songs as its collection scanner writes them: file: URIs as GLib makes them,
// lengths in milliseconds, rates 0-5 (and loved -1 for a song the user skips).
const QString LollypopSongs = QStringLiteral(R"(
INSERT INTO genres VALUES (1, 'Folk'), (2, 'Pop');
INSERT INTO artists VALUES (1, 'Ann', 'Ann', NULL), (2, 'Bär', 'Bär', NULL), (3, 'Cee', 'Cee', NULL);
INSERT INTO albums VALUES (1, 'Album', NULL, NULL, 0, 1999, NULL, 'file:///music/Ann', 0, 0, 0, 1, 2, 0),
  (2, 'Lieder', NULL, NULL, 0, 2005, NULL, 'file:///music/B%C3%A4r', 0, 0, 0, 1, 2, 0);
INSERT INTO album_genres VALUES (1, 1), (2, 2);
INSERT INTO tracks VALUES
  (1, 'First Song', 'file:///music/Ann/First%20Song.mp3', 225000, 1, 1, '', 1, 1999, NULL, 3, 0, 4, 0, 1, 2, NULL, NULL, 120),
  (2, 'Zweites Lied', 'file:///music/B%C3%A4r/Zweites%20Lied%20%231.flac', 61000, 1, 1, '', 2, 2005, NULL, 0, 0, 0, 0, 1, 2, NULL, NULL, NULL),
  (3, 'Skipped', 'file:///music/skip.mp3', 100000, 2, 1, '', 1, 2010, NULL, 0, -1, 5, 0, 1, 2, NULL, NULL, 90),
  (4, 'Third', 'file:///music/Cee/Third.ogg', 300000, 2, 1, '', 2, 2020, NULL, 5, 0, 2, 0, 1, 2, NULL, NULL, 90);
INSERT INTO track_artists VALUES (1, 1), (2, 2), (3, 1), (4, 3), (4, 1);
INSERT INTO track_genres VALUES (1, 1), (2, 2), (3, 1), (4, 2);
)");

// A smart playlist's query as Lollypop's editor writes it for `rules` (each one row's SQL), all
// of them to match ("AND") or one ("OR").
QString lollypopQuery(const QStringList& rules, const QString& order, int limit, bool all = true) {
    if (!all) {
        QStringList selects;
        for (const QString& rule : rules) {
            selects.push_back("SELECT DISTINCT(tracks.rowid) FROM tracks, genres, artists WHERE " +
                              rule);
        }
        return selects.join(" UNION ") +
               QStringLiteral(" ORDER BY %1 LIMIT %2").arg(order).arg(limit);
    }
    QString where = " WHERE";
    for (const QString& rule : rules) {
        where += " " + rule + " AND";
    }
    where.chop(3);
    if (order == u"albums.name") {
        where += " AND tracks.album_id = albums.rowid";
    }
    QString tables;
    for (const char* table : {"genres", "artists", "albums", "album_genres", "track_artists"}) {
        if (where.contains(QStringLiteral(" %1.").arg(table))) {
            tables += QStringLiteral(", %1").arg(table);
        }
    }
    return "SELECT DISTINCT(tracks.rowid) FROM tracks" + tables + where +
           QStringLiteral(" ORDER BY %1 LIMIT %2").arg(order).arg(limit);
}

// One rule row of the editor: a number compared, or a text of the album's genres, the album or
// the track's artists.
QString numberRule(const QString& column, const QString& op, int value) {
    return QStringLiteral("( ((tracks.%1 %2 '%3')) )").arg(column, op).arg(value);
}
QString textRule(const QString& what, const QString& op, const QString& value) {
    const QString join = what == u"genres"
                             ? "album_genres.genre_id = genres.rowid AND tracks.album_id = "
                               "album_genres.album_id"
                         : what == u"albums" ? "tracks.album_id = albums.rowid"
                                             : "track_artists.artist_id = artists.rowid AND "
                                               "tracks.rowid = track_artists.track_id";
    return QStringLiteral("(%1 AND ((%2.name %3 '%4' COLLATE NOCASE)) )")
        .arg(join, what, op, QString(value).replace("'", "''"));
}

TEST_F(SmartStoresTest, Lollypop) {
    sql("lollypop/lollypop.db", schema("lollypop") + LollypopSongs);
    const auto smart = [](const QString& name, const QString& query) {
        return QStringLiteral("INSERT INTO playlists (name, mtime, smart_enabled, smart_sql) "
                              "VALUES (%1, 0, 1, %2);")
            .arg(sqlText(name), sqlText(query));
    };
    const QString year = numberRule("year", ">", 0);
    // Each criterion and order the editor offers, once.
    const std::vector<std::pair<QString, QStringList>> cases{
        {lollypopQuery({numberRule("rate", "=", 4)}, "random()", 100), {"First Song"}},
        {lollypopQuery({numberRule("rate", ">", 1)}, "random()", 100), {"First Song", "Third"}},
        {lollypopQuery({numberRule("popularity", "<", 3)}, "random()", 100), {"Zweites Lied"}},
        {lollypopQuery({numberRule("year", "!=", 1999)}, "random()", 100),
         {"Zweites Lied", "Third"}},
        {lollypopQuery({numberRule("bpm", "=", 90)}, "random()", 100), {"Third"}},
        {lollypopQuery({textRule("genres", "LIKE", "%fOL%")}, "random()", 100), {"First Song"}},
        {lollypopQuery({textRule("albums", "=", "lieder")}, "random()", 100),
         {"Zweites Lied", "Third"}},
        {lollypopQuery({textRule("artists", "!=", "Ann")}, "random()", 100),
         {"Zweites Lied", "Third"}},
        {lollypopQuery({textRule("artists", "NOT LIKE", "%n%")}, "random()", 100),
         {"Zweites Lied", "Third"}},
        {lollypopQuery({numberRule("rate", "=", 4), numberRule("bpm", "=", 120)}, "random()", 100),
         {"First Song"}},
        {lollypopQuery({numberRule("rate", "=", 4), numberRule("bpm", "=", 90)}, "random()", 100,
                       false),
         {"First Song", "Third"}},
        {lollypopQuery({year}, "albums.name", 100), {"First Song", "Zweites Lied", "Third"}},
        {lollypopQuery({year}, "artists.name", 100), {"First Song", "Third", "Zweites Lied"}},
        {lollypopQuery({year}, "tracks.year DESC", 2), {"Third", "Zweites Lied"}},
        {lollypopQuery({year}, "tracks.year ASC", 1), {"First Song"}},
        {lollypopQuery({year}, "tracks.duration DESC", 1), {"Third"}},
        {lollypopQuery({year}, "tracks.duration ASC", 1), {"Zweites Lied"}}};
    QString playlists = schema("lollypop-playlists");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        playlists += smart(QStringLiteral("Smart %1").arg(i, 2, 10, QChar('0')), cases[i].first);
    }
    playlists += smart("Bad", "SELECT uri FROM tracks; DELETE FROM tracks") +
                 "INSERT INTO playlists (id, name, mtime) VALUES (99, 'road trip', 0);"
                 "INSERT INTO tracks VALUES (99, " +
                 sqlText(First) + "), (99, 'file:///music/new.mp3'), (99, " + sqlText(Second) +
                 ");";
    sql("lollypop/playlists.db", playlists);
    files_.present.insert("/music/new.mp3", NewSong);
    const auto player = openStore(StoreKind::Lollypop, at("lollypop"), files_.source());
    const PlaylistArray all = player->playlistCollection()->getAll();
    EXPECT_EQ(names(all).first(), "road trip");
    EXPECT_EQ(all.count(), static_cast<int>(cases.size()) + 1);
    EXPECT_EQ(all.notes(), QStringList({"Lollypop's smart playlist \"Bad\" is left out: a query "
                                        "its editor does not write"}));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(titles(*player, QStringLiteral("Smart %1").arg(i, 2, 10, QChar('0'))),
                  cases[i].second)
            << cases[i].first.toStdString();
    }
    EXPECT_EQ(listing(*player, "road trip"),
              QStringList({"First Song|03:45|75|Ann|Folk|1999|Album|mp3|225",
                           "New|00:05|50|Ann|Pop|2020|Album|mp3|5",
                           "Zweites Lied|01:01|0|Bär|Pop|2005|Lieder|flac|61"}));
    EXPECT_EQ(files_.asked, QStringList({"/music/new.mp3"}));
}

// Kodi's songs as its music scanner writes them: a path with its trailing slash, the file's
// name, the release date's text, seconds, a scraped rating and the user's (both 0-10).
const QString KodiSongs = QStringLiteral(R"(
INSERT INTO path VALUES (1, '/music/Ann/', NULL), (2, '/music/Bär/', NULL);
INSERT INTO album (idAlbum, strAlbum, strArtistDisp, strReleaseDate) VALUES (1, 'Album', 'Ann', '1999'),
  (2, 'Lieder', 'Bär', '2005-05-01');
INSERT INTO artist (idArtist, strArtist) VALUES (1, 'Ann'), (2, 'Bär'), (3, 'Cee');
INSERT INTO genre VALUES (1, 'Folk'), (2, 'Pop'), (3, 'Rock');
INSERT INTO song (idSong, idAlbum, idPath, strArtistDisp, strGenres, strTitle, iTrack, iDuration,
  strReleaseDate, strFileName, rating, userrating) VALUES
  (1, 1, 1, 'Ann', 'Folk', 'First Song', 1, 225, '1999', 'First Song.mp3', 7.5, 8),
  (2, 2, 2, 'Bär', 'Pop / Rock', 'Zweites Lied', 1, 61, '2005-05-01', 'Zweites Lied #1.flac', 0, 0),
  (3, 2, 2, 'Cee feat. Ann', 'Rock', 'Third', 2, 300, '2005-05-01', 'Third.ogg', 9, 3);
INSERT INTO song_artist VALUES (1, 1, 1, 0, 'Ann'), (2, 2, 1, 0, 'Bär'), (3, 3, 1, 0, 'Cee'),
  (1, 3, 1, 1, 'Ann');
INSERT INTO song_genre VALUES (1, 1, 0), (2, 2, 0), (3, 2, 1), (3, 3, 0);
)");

QByteArray xsp(const QString& body) {
    return (R"(<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<smartplaylist type="songs">
    )" + body +
            "\n</smartplaylist>\n")
        .toUtf8();
}

QString rule(const QString& field, const QString& op, const QStringList& values) {
    QString xml = QStringLiteral("<rule field=\"%1\" operator=\"%2\">").arg(field, op);
    for (const QString& value : values) {
        xml += "<value>" + value + "</value>";
    }
    return xml + "</rule>";
}

TEST_F(SmartStoresTest, Kodi) {
    const QString userdata = at(".kodi/userdata");
    sql(".kodi/userdata/Database/MyMusic82.db", schema("kodi-music") + KodiSongs);
    sql(".kodi/userdata/Database/MyMusic72.db", schema("kodi-music")); // an older version's, empty
    const QString playlists = ".kodi/userdata/playlists/music/";
    // Each field and operator the editor offers for songs, once; rules all or one of which hold;
    // orders and limits.
    const std::vector<std::pair<QString, QStringList>> cases{
        {rule("title", "contains", {"SONG"}), {"First Song"}},
        {rule("title", "doesnotcontain", {"first"}), {"Zweites Lied", "Third"}},
        {rule("artist", "is", {"ann"}), {"First Song", "Third"}},
        {rule("artist", "isnot", {"Ann", "Cee"}), {"Zweites Lied"}},
        {rule("album", "startswith", {"lie"}), {"Zweites Lied", "Third"}},
        {rule("genre", "endswith", {"ock"}), {"Zweites Lied", "Third"}},
        {rule("genre", "is", {"Folk", "Pop"}), {"First Song", "Zweites Lied"}},
        {rule("year", "lessthan", {"2000"}), {"First Song"}},
        {rule("year", "is", {"2005"}), {"Zweites Lied", "Third"}},
        {rule("time", "greaterthan", {"3:45"}), {"Third"}},
        {rule("time", "between", {"60", "0:03:45"}), {"First Song", "Zweites Lied"}},
        {rule("rating", "greaterthan", {"7"}), {"First Song", "Third"}},
        {rule("userrating", "isnot", {"0"}), {"First Song", "Third"}},
        {"<match>one</match>" + rule("userrating", "greaterthan", {"5"}) +
             rule("genre", "is", {"Pop"}),
         {"First Song", "Zweites Lied"}},
        {rule("userrating", "greaterthan", {"5"}) + rule("genre", "is", {"Folk"}), {"First Song"}},
        {"<order direction=\"descending\">rating</order><limit>2</limit>", {"Third", "First Song"}},
        {"<order direction=\"ascending\">title</order>", {"First Song", "Third", "Zweites Lied"}},
        {"<rule field=\"genre\" operator=\"is\">Rock</rule>", {"Zweites Lied", "Third"}}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        write(playlists + QStringLiteral("Case %1.xsp").arg(i, 2, 10, QChar('0')),
              xsp(cases[i].first));
    }
    write(playlists + "named.xsp", xsp("<name>Top Rated</name>" + rule("userrating", "is", {"8"})));
    // What is left out, each with its note, kept to one line whatever it quotes.
    const QString left = "Kodi's smart playlist \"%1\" is left out: ";
    const std::vector<std::tuple<QString, QByteArray, QString>> leftOut{
        {"albums", "<smartplaylist type=\"albums\"><name>Albums</name></smartplaylist>",
         left.arg("Albums") + "it lists albums, not songs"},
        {"nested", xsp("<name>Nested</name><rules><match>one</match></rules>"),
         left.arg("Nested") + "a group of rules it cannot read"},
        {"played", xsp("<name>Played</name>" + rule("lastplayed", "inthelast", {"2 weeks"})),
         left.arg("Played") + "a rule on a field it cannot read (lastplayed inthelast)"},
        {"wrapped", xsp("<name>Two\nLines</name>" + rule("year", "is", {"so\non"})),
         left.arg("Two Lines") + "a rule whose value is no number (year is so on)"},
        {"year", xsp("<name>Year</name>" + rule("year", "greaterthan", {"soon"})),
         left.arg("Year") + "a rule whose value is no number (year greaterthan soon)"}};
    QStringList expectedNotes;
    for (const auto& [file, bytes, note] : leftOut) {
        write(playlists + file + ".xsp", bytes);
        expectedNotes.push_back(note);
    }
    write(playlists + "broken.xsp", "<smartplaylist type=\"songs\"><name>");
    write(playlists + "Road Trip.m3u", "#EXTM3U\n#EXTINF:225,Ann - First Song\n/music/Ann/First "
                                       "Song.mp3\n#EXTINF:5,New\n/music/new.mp3\n");
    files_.present.insert("/music/new.mp3", NewSong);

    const auto player = openStore(StoreKind::Kodi, at(".kodi"), files_.source());
    const PlaylistArray all = player->playlistCollection()->getAll();
    EXPECT_EQ(all.count(), static_cast<int>(cases.size()) + 2);
    EXPECT_TRUE(names(all).contains("Top Rated"));
    QStringList notes = all.notes();
    ASSERT_EQ(notes.size(), 6);
    EXPECT_TRUE(notes.takeAt(1).startsWith(
        QStringLiteral("cannot read the Kodi library \"%1/playlists/music/broken.xsp\": the "
                       "file is cut short")
            .arg(userdata)));
    EXPECT_EQ(notes, expectedNotes);
    EXPECT_EQ(player->playlistCollection()->getByName("Two\nLines").notes(),
              QStringList({expectedNotes[3]}));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(titles(*player, QStringLiteral("Case %1").arg(i, 2, 10, QChar('0'))),
                  cases[i].second)
            << cases[i].first.toStdString();
    }
    EXPECT_EQ(listing(*player, "Top Rated"),
              QStringList({"First Song|03:45|75|Ann|Folk|1999|Album|mp3|225"}));
    EXPECT_EQ(listing(*player, "Road Trip"),
              QStringList({"First Song|03:45|75|Ann|Folk|1999|Album|mp3|225",
                           "New|00:05|50|Ann|Pop|2020|Album|mp3|5"}));
    EXPECT_EQ(files_.asked, QStringList({"/music/new.mp3"}));
}

// A day as rhythmdb.xml writes it (GLib's Julian day).
qint64 glibDay(int year, int month, int day) {
    return QDate(year, month, day).toJulianDay() - 1721425;
}

// Each criterion the automatic playlist editor writes, once, on songs whose facts tell them apart;
// then sorts and each kind of limit.
TEST(RhythmboxQueryTest, CriteriaSortsAndLimits) {
    constexpr qint64 Now = 1'700'000'000;
    constexpr qint64 Day = 86400;
    const auto entry = [](QString title, QString artist, QString album, QString genre,
                          RhythmboxFacts facts) {
        StoreSong song;
        song.title = std::move(title);
        song.artist = std::move(artist);
        song.album = std::move(album);
        song.genre = std::move(genre);
        song.location = "file:///music/" + song.title;
        return RhythmboxEntry{song, facts};
    };
    using Type = RhythmboxFacts::Type;
    const std::vector<RhythmboxEntry> entries{
        entry("First Song", "Ann", "Album", "Folk",
              {Type::Song, false, 4, 3, Now - 3600, Now - 30 * Day, 5 << 20, 225,
               glibDay(1999, 6, 1)}),
        entry("Zweites Lied", "Bär", "Lieder", "Pop",
              {Type::Song, false, 0, 0, 0, Now - 3600, 1 << 20, 61, 0}),
        entry("Third", "Cee", "Lieder", "Rock",
              {Type::Song, false, 5, 10, Now - 10 * Day, Now - 60 * Day, 7 << 20, 300,
               glibDay(2005, 12, 31)}),
        entry("Radio One", "", "", "", {Type::Radio}),
        entry("Gone", "Ann", "Album", "Folk", {Type::Song, true, 5, 9, Now, Now}),
    };
    const auto titles = [&](const QString& playlist) {
        QXmlStreamReader xml(playlist);
        xml.readNextStartElement();
        const RhythmboxQuery query = readRhythmboxQuery(xml);
        EXPECT_EQ(query.unread, "") << playlist.toStdString();
        std::vector<RhythmboxEntry> matches;
        for (const RhythmboxEntry& e : entries) {
            if (rhythmboxMatches(query, e, Now)) {
                matches.push_back(e);
            }
        }
        QStringList shown;
        for (const StoreSong& song : rhythmboxChosen(query, matches)) {
            shown.push_back(song.title);
        }
        return shown;
    };
    const QString byTitle = "<playlist type=\"automatic\" sort-key=\"Title\"><conjunction>%1"
                            "</conjunction></playlist>";
    const QStringList all{"First Song", "Radio One", "Third", "Zweites Lied"};
    const std::vector<std::pair<QString, QStringList>> criteria{
        {"<equals prop=\"type\">song</equals>", {"First Song", "Third", "Zweites Lied"}},
        {"<not-equal prop=\"type\">song</not-equal>", {"Radio One"}},
        {"<greater prop=\"rating\">4.000000</greater>", {"First Song", "Third"}},
        {"<less prop=\"play-count\">3</less>", {"First Song", "Radio One", "Zweites Lied"}},
        {"<current-time-within prop=\"last-played\">604800</current-time-within>", {"First Song"}},
        {"<current-time-not-within prop=\"last-played\">604800</current-time-not-within>",
         {"Radio One", "Third", "Zweites Lied"}},
        {"<current-time-within prop=\"first-seen\">604800</current-time-within>", {"Zweites Lied"}},
        {"<equals prop=\"genre-folded\">FOLK</equals>", {"First Song"}},
        {"<like prop=\"artist-folded\">BAR</like>", {"Zweites Lied"}},
        {"<not-like prop=\"artist-folded\">a</not-like>", {"Radio One", "Third"}},
        {"<prefix prop=\"album-folded\">lie</prefix>", {"Third", "Zweites Lied"}},
        {"<suffix prop=\"title-folded\">song</suffix>", {"First Song"}},
        {"<not-equal prop=\"title\">third</not-equal>", all},
        {QStringLiteral("<year-equals prop=\"date\">%1</year-equals>").arg(glibDay(2005, 3, 3)),
         {"Third"}},
        {QStringLiteral("<year-greater prop=\"date\">%1</year-greater>").arg(glibDay(2000, 5, 5)),
         {"Third"}},
        {QStringLiteral("<year-less prop=\"date\">%1</year-less>").arg(glibDay(1999, 1, 1)),
         {"First Song", "Radio One", "Zweites Lied"}},
        {"<greater prop=\"duration\">225</greater>", {"First Song", "Third"}},
        {"<less prop=\"file-size\">1048576</less>", {"Radio One", "Zweites Lied"}},
        {"<subquery><conjunction><equals prop=\"artist\">Ann</equals><disjunction/>"
         "<equals prop=\"genre\">Rock</equals></conjunction></subquery>",
         {"First Song", "Third"}},
    };
    for (const auto& [criterion, expected] : criteria) {
        EXPECT_EQ(titles(byTitle.arg(criterion)), expected) << criterion.toStdString();
    }
    const std::vector<std::pair<QString, QStringList>> limits{
        {"sort-key=\"Rating\" sort-direction=\"1\" limit-count=\"2\"", {"Third", "First Song"}},
        {"sort-key=\"Title\" limit-size=\"6\"", {"First Song", "Radio One"}},
        {"sort-key=\"PlayCount\" sort-direction=\"1\" limit-time=\"400\"", {"Third"}},
        {"sort-key=\"FirstSeen\"", {"Radio One", "Third", "First Song", "Zweites Lied"}},
        {"", {"Radio One", "First Song", "Zweites Lied", "Third"}}, // by artist
    };
    for (const auto& [attributes, expected] : limits) {
        EXPECT_EQ(titles("<playlist type=\"automatic\" " + attributes + "/>"), expected)
            << attributes.toStdString();
    }
}

// Automatic playlists as Rhythmbox 3.4.6 writes them, among static ones, evaluated on the
// database as it is now, alike when the window keeps it and when one view is listed.
TEST_F(SmartStoresTest, Rhythmbox) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    write("rb/rhythmdb.xml", QStringLiteral(R"(<?xml version="1.0" standalone="yes"?>
<rhythmdb version="2.0">
  <entry type="song"><title>First Song</title><genre>Folk</genre><artist>Ann</artist>
    <album>Album</album><duration>225</duration><file-size>4096</file-size>
    <location>file:///music/Ann/First%20Song.mp3</location><mtime>1700000000</mtime>
    <first-seen>%1</first-seen><last-seen>%3</last-seen><rating>5</rating><play-count>2</play-count>
    <last-played>%2</last-played><date>730120</date><media-type>audio/mpeg</media-type></entry>
  <entry type="song"><title>Zweites Lied</title><genre>Unknown</genre><artist>Bär</artist>
    <album>Unknown</album><duration>61</duration><first-seen>%2</first-seen>
    <location>file:///music/B%C3%A4r/Zweites%20Lied%20%231.flac</location></entry>
  <entry type="song"><title>Gone</title><artist>Ann</artist><rating>5</rating>
    <location>file:///music/gone.mp3</location><first-seen>%2</first-seen><hidden>1</hidden></entry>
  <entry type="iradio"><title>Radio One</title><genre>Unknown</genre><rating>4</rating>
    <location>http://radio.example/live</location></entry>
  <entry type="ignore"><location>file:///music/cover.jpg</location></entry>
</rhythmdb>
)")
                                 .arg(now - 30 * 86400)
                                 .arg(now - 3600)
                                 .arg(now)
                                 .toUtf8());
    write("rb/playlists.xml", R"(<?xml version="1.0"?>
<rhythmdb-playlists>
  <playlist name="My Top Rated" show-browser="true" browser-position="179" search-type="search-match" type="automatic" sort-key="Rating" sort-direction="1">
    <conjunction>
      <equals prop="type">song</equals>
      <subquery>
        <conjunction>
          <greater prop="rating">4.000000</greater>
        </conjunction>
      </subquery>
    </conjunction>
  </playlist>
  <playlist name="Road Trip" show-browser="false" search-type="search-match" type="static">
    <location>file:///music/Ann/First%20Song.mp3</location>
    <location>file:///music/B%C3%A4r/Zweites%20Lied%20%231.flac</location>
    <location>file:///music/gone.ogg</location><location>file:///music/new.mp3</location>
    <location>http://radio.example/live</location>
  </playlist>
  <playlist name="Recently Added" show-browser="true" browser-position="179" search-type="search-match" type="automatic" sort-key="FirstSeen" sort-direction="1">
    <conjunction>
      <equals prop="type">song</equals>
      <subquery>
        <conjunction>
          <current-time-within prop="first-seen">604800</current-time-within>
        </conjunction>
      </subquery>
    </conjunction>
  </playlist>
  <playlist name="Recently Played" show-browser="true" browser-position="179" search-type="search-match" type="automatic" sort-key="LastPlayed" sort-direction="1">
    <conjunction>
      <equals prop="type">song</equals>
      <subquery>
        <conjunction>
          <current-time-within prop="last-played">604800</current-time-within>
        </conjunction>
      </subquery>
    </conjunction>
  </playlist>
  <playlist name="Composers" show-browser="true" browser-position="180" search-type="search-match" type="automatic" sort-key="Artist" sort-direction="0">
    <conjunction><like prop="composer-folded">bach</like></conjunction>
  </playlist>
  <playlist name="Play Queue" show-browser="false" browser-position="180" search-type="search-match" type="queue">
    <location>file:///music/new.mp3</location>
  </playlist>
</rhythmdb-playlists>
)");
    files_.present.insert("/music/new.mp3", NewSong);
    const QString first = "First Song|03:45|99|Ann|Folk|2000|Album|mp3|225";
    const QString second = "Zweites Lied|01:01|0|Bär||||flac|61";
    const auto kept = openStore(StoreKind::Rhythmbox, at("rb"), files_.source());
    for (const bool lookOnce : {false, true}) {
        const auto player = openStore(StoreKind::Rhythmbox, at("rb"), files_.source(), lookOnce);
        const PlaylistArray all = player->playlistCollection()->getAll();
        EXPECT_EQ(names(all),
                  QStringList({"My Top Rated", "Road Trip", "Recently Added", "Recently Played"}));
        EXPECT_EQ(all.notes(), QStringList({"Rhythmbox's automatic playlist \"Composers\" is left "
                                            "out: a criterion on a property it cannot read "
                                            "(composer-folded like)"}));
        const std::vector<std::pair<QString, QStringList>> shown{
            {"My Top Rated", {first}},
            {"Recently Added", {second}},
            {"Recently Played", {first}},
            {"Road Trip",
             {first, second, "gone.ogg|!/music/gone.ogg: no such file",
              "New|00:05|50|Ann|Pop|2020|Album|mp3|5", "Radio One||75||||||"}}};
        for (const auto& [name, songs] : shown) {
            files_.asked.clear();
            EXPECT_EQ(listing(*openStore(StoreKind::Rhythmbox, at("rb"), files_.source(), lookOnce),
                              name),
                      songs)
                << name.toStdString() << lookOnce;
            // Only the songs the database does not know are read from their files.
            EXPECT_EQ(files_.asked, name == u"Road Trip"
                                        ? QStringList({"/music/gone.ogg", "/music/new.mp3"})
                                        : QStringList())
                << name.toStdString() << lookOnce;
        }
    }

    // A run that shows one view keeps only the playlist it listed, and gives it again.
    const auto once = openStore(StoreKind::Rhythmbox, at("rb"), files_.source(), true);
    const auto listed = once->playlistCollection()->getByName("Road Trip").item(0);
    EXPECT_EQ(listed->count(), 5);
    write("rb/rhythmdb.xml", "damaged");
    EXPECT_EQ(once->playlistCollection()->getByName("Road Trip").item(0), listed);
    // A changed store is read again.
    write("rb/playlists.xml", R"(<rhythmdb-playlists><playlist name="Renamed" type="static"/>
</rhythmdb-playlists>)");
    EXPECT_EQ(names(*kept), QStringList({"Renamed"}));
}

// Elisa's ratings go with the music folder's playlist files, found or named.
TEST_F(SmartStoresTest, ElisaRatingsWinOverTheFiles) {
    ASSERT_TRUE(QDir().mkpath(at("Music/Ann")));
    ASSERT_TRUE(demo::writeSong(at("Music/Ann/Known.mp3"), 5,
                                {"Known", "Ann", "Album", "Folk", "1999", {{"x", 64}}, {}}));
    ASSERT_TRUE(demo::writeSong(at("Music/Ann/Other.mp3"), 5,
                                {"Other", "Ann", "Album", "Folk", "1999", {{"x", 64}}, {}}));
    write("Music/Mix.m3u8", "Ann/Known.mp3\nAnn/Other.mp3\n");
    const QString known = QUrl::fromLocalFile(at("Music/Ann/Known.mp3")).toString();
    sql("data/elisa/elisaDatabase.db",
        schema("elisa") +
            QStringLiteral("INSERT INTO Tracks (FileName, Priority, Title, Duration, "
                           "Rating, HasEmbeddedCover) VALUES (%1, 1, 'Known', 5000, 9, "
                           "0);")
                .arg(sqlText(known)));
    const SourceEnvironment environment{{dir_.path(), at("data"), at("config"), at("Music")},
                                        {at("no-mpd"), {}, {}}};
    const std::vector<FoundSource> found = findSources(environment);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, "Elisa");
    EXPECT_EQ(found[0].location, at("data/elisa/elisaDatabase.db"));
    const auto ratings = [&] {
        QStringList shown;
        for (const QString& line : listing(*found[0].player, "Mix")) {
            shown.push_back(line.section(u'|', 0, 0) + ":" + line.section(u'|', 2, 2));
        }
        return shown;
    };
    EXPECT_EQ(ratings(), QStringList({"Known:99", "Other:25"}));
    // A rating changed in Elisa shows at the next listing.
    sql("data/elisa/elisaDatabase.db", "UPDATE Tracks SET Rating = 6;");
    EXPECT_EQ(ratings(), QStringList({"Known:50", "Other:25"}));

    // A database that cannot be read leaves the playlist files as they are, and says why.
    write("data/elisa/elisaDatabase.db", "not a database");
    const std::vector<FoundSource> without = findSources(environment);
    ASSERT_EQ(without.size(), 2u);
    EXPECT_EQ(without[0].kind, "playlist files");
    EXPECT_EQ(without[1].kind, "Elisa");
    EXPECT_TRUE(without[1].problem.contains("not an SQLite database"))
        << without[1].problem.toStdString();
}

} // namespace
