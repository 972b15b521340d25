#include "views/SongTable.h"

#include "ViewsTestSupport.h"

using namespace corvane;
using namespace corvane::views;
using test_support::Song;

namespace {

class SongTable : public test_support::ViewsTest {
protected:
    library::MemoryPlaylist& playlist = library->addPlaylist(QStringLiteral("P"));

    const SongRow& row(int i) const { return state.SongTable.at(static_cast<std::size_t>(i)); }
};

// --- Cells --------------------------------------------------------------------------------

// Every item in item-code order; missing values as dashes; control characters (a newline, a
// tab, ESC, NUL, CR, DEL, NEL and the line separator: none may break a line) and bidirectional
// overrides and isolates (none may turn a line around) replaced.
TEST_F(SongTable, CellsHoldEveryItemInItemCodeOrder) {
    const QString r(QChar::ReplacementCharacter);
    const std::pair<std::shared_ptr<const library::MediaItem>, SongRow> cases[] = {
        {Song("Apple")
             .artist("Beatles")
             .album("Abbey Road")
             .year("1969")
             .genre("Rock")
             .rating(75)
             .seconds(225)
             .type("mp3"),
         {"Apple", "Beatles", "03:45", "****", "Rock", "1969", "Abbey Road", "mp3"}},
        {Song("Bare"), {"Bare", "----", "00:00", "----", "----", "----", "----", "----"}},
        {Song("Line\nBreak")
             .artist("Tab\tbed")
             .album(QStringLiteral("\x1b[2J\u0085x\x7f"))
             .genre(QString::fromLatin1("N\0L", 3))
             .year("19\r99")
             .type(QStringLiteral("mp\u20283")),
         {"Line" + r + "Break", "Tab" + r + "bed", "00:00", "----", "N" + r + "L", "19" + r + "99",
          r + "[2J" + r + "x" + r, "mp" + r + "3"}},
        {Song(QStringLiteral("\u202Egnp.exe")).artist(QStringLiteral("a\u2066b\u2069\u202Ac")),
         {r + "gnp.exe", "a" + r + "b" + r + r + "c", "00:00", "----", "----", "----", "----",
          "----"}},
    };
    for (const auto& [song, expected] : cases) {
        playlist.add(song);
    }
    ASSERT_TRUE(LoadSongTable(state, playlist));
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        EXPECT_EQ(row(i), cases[i].second);
    }
}

// Texts are cut to their kept length, never inside a character; year and type are kept whole,
// shorter texts as they are, spaces included.
TEST_F(SongTable, TextsAreCutToTheirKeptLength) {
    const QString title35 = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxy");
    QString cjk;
    for (int i = 0; i < 35; ++i) {
        cjk += QChar(0x3042 + i);
    }
    const QString emoji = QStringLiteral("\U0001F3B5").repeated(30);
    const QString accents = QStringLiteral("e\u0301").repeated(30);
    playlist.add(Song(title35)
                     .artist(QString(21, u'a'))
                     .genre(QString(12, u'g'))
                     .album(QString(28, u'b'))
                     .year("2001-2002")
                     .type("webm-audio"));
    playlist.add(Song(title35.first(29)).artist(" spaced ").album("x "));
    playlist.add(Song(cjk).artist(emoji).album(accents));
    ASSERT_TRUE(LoadSongTable(state, playlist));
    const QString none = QStringLiteral("----");
    EXPECT_EQ(row(0), SongRow({title35.first(29), QString(20, u'a'), "00:00", none,
                               QString(11, u'g'), "2001-2002", QString(27, u'b'), "webm-audio"}));
    EXPECT_EQ(row(1),
              SongRow({title35.first(29), " spaced ", "00:00", none, none, none, "x ", none}));
    // 20 surrogate pairs; 27 letters with their accents.
    EXPECT_EQ(row(2), SongRow({cjk.first(29), emoji.first(40), "00:00", none, none, none,
                               accents.first(54), none}));
}

TEST_F(SongTable, RatingsBecomeStarsRoundingHalvesToEven) {
    const std::vector<std::pair<int, QString>> cases = {
        {0, "----"},  {1, "*"},     {25, "**"},    {40, "**"},    {50, "***"},
        {60, "****"}, {75, "****"}, {99, "*****"}, {100, "*****"}};
    for (const auto& [rating, stars] : cases) {
        playlist.add(Song("s").rating(rating));
    }
    ASSERT_TRUE(LoadSongTable(state, playlist));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(state.SongTable[i][Rating], cases[i].second) << "rating " << cases[i].first;
    }
}

// --- Failing library calls -------------------------------------------------------------------

TEST_F(SongTable, AFailingCallLeavesOnlyItsCellEmpty) {
    playlist.add(Song("Kept").artist("A").rating(99).failing("Name").failing("WM/Genre"));
    playlist.add(Song("Next").artist("B").rating(99).genre("Pop").failing("UserRating"));
    playlist.add(Song("Time").artist("C").failing("durationString").failing("FileType"));
    ASSERT_TRUE(LoadSongTable(state, playlist));
    const QString none = QStringLiteral("----");
    EXPECT_EQ(row(0), SongRow({none, "A", "00:00", "*****", none, none, none, none}));
    // A rating that cannot be read shows no stars, not the previous song's.
    EXPECT_EQ(row(1), SongRow({"Next", "B", "00:00", none, "Pop", none, none, none}));
    EXPECT_EQ(row(2), SongRow({"Time", "C", none, none, none, none, none, none}));
    // Said once, counting songs, not calls.
    EXPECT_EQ(state.StatusLine, "3 songs could not be read (first: cannot read Name)");
}

TEST_F(SongTable, OneSongThatCouldNotBeReadIsNamedInOneLine) {
    playlist.add(Song("Fine"));
    ASSERT_TRUE(LoadSongTable(state, playlist));
    EXPECT_EQ(state.StatusLine, QString());
    Song unread("x");
    for (const char* call :
         {"durationString", "UserRating", "Artist", "WM/Genre", "WM/Year", "Album", "FileType"}) {
        unread.failing(call);
    }
    playlist.add(unread.because("/music/a\nb.flac: not an audio file"));
    ASSERT_TRUE(LoadSongTable(state, playlist));
    EXPECT_EQ(state.StatusLine,
              "1 song could not be read (/music/a\uFFFDb.flac: not an audio file)");
}

// --- Row counts --------------------------------------------------------------------------------

// A load replaces the whole table; an empty playlist stops and leaves no rows.
TEST_F(SongTable, ALoadReplacesTheWholeTable) {
    for (const char* t : {"a", "b", "c"}) {
        playlist.add(Song(t));
    }
    ASSERT_TRUE(LoadSongTable(state, playlist));
    playlist.clear();
    playlist.add(Song("z"));
    ASSERT_TRUE(LoadSongTable(state, playlist));
    EXPECT_EQ(state.SongTable.size(), 1U);
    EXPECT_EQ(state.LastSong, 0);
    EXPECT_EQ(row(0)[Title], "z");
    playlist.clear();
    EXPECT_FALSE(LoadSongTable(state, playlist));
    EXPECT_EQ(state.LastSong, -1);
    EXPECT_TRUE(state.SongTable.empty());
}

// --- Total playing time --------------------------------------------------------------------

// Seconds round halves to even and carry (half a second below a whole hour into the hours,
// never 0:60:00); the sum is kept in single precision (2^24 + 1 is none: the last second drops).
TEST_F(SongTable, TotalSplitsIntoHoursMinutesSeconds) {
    struct Case {
        std::vector<double> durations;
        float total;
        int h, m, s;
    };
    const Case cases[] = {
        {{3000.0, 661.4}, 3661.4F, 1, 1, 1},
        {{0.5}, 0.5F, 0, 0, 0},
        {{1.5}, 1.5F, 0, 0, 2},
        {{2.5}, 2.5F, 0, 0, 2},
        {{59.5}, 59.5F, 0, 1, 0},
        {{58.5}, 58.5F, 0, 0, 58},
        {{3599.6}, 3599.6F, 1, 0, 0},
        {{2 * 3600 + 3599.5}, 10799.5F, 3, 0, 0},
        {{}, 0, 0, 0, 0},
        {[] {
             std::vector<double> d(32, 524288.0); // 2^24 of songs no longer than a week each
             d.push_back(1.0);
             return d;
         }(),
         16777216.0F, 4660, 20, 16},
    };
    for (const Case& c : cases) {
        playlist.clear();
        for (const double d : c.durations) {
            playlist.add(Song("s").seconds(d));
        }
        const PlayingTime t = TotalPlaylistTime(state, playlist);
        EXPECT_EQ(state.TotalSeconds, c.total) << c.total;
        EXPECT_EQ(std::tuple(t.hours, t.minutes, t.seconds), std::tuple(c.h, c.m, c.s)) << c.total;
    }
}

// A duration that cannot be read, or that no song has (not finite, negative, over a week), is
// left out: the total never overflows.
TEST_F(SongTable, ADurationThatCannotBeReadOrNoSongHasIsLeftOut) {
    playlist.add(Song("a").seconds(100));
    playlist.add(Song("b").seconds(1000).failing("Duration"));
    for (const double none : {1e300, 2.5e12, -60.0, 7 * 24 * 3600.0 + 1}) {
        playlist.add(Song("x").seconds(none));
    }
    playlist.add(Song("c").seconds(20));
    const PlayingTime t = TotalPlaylistTime(state, playlist);
    EXPECT_EQ(state.TotalSeconds, 120.0F);
    EXPECT_EQ(std::tuple(t.hours, t.minutes, t.seconds), std::tuple(0, 2, 0));
}

} // namespace
