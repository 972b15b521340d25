#include "views/SelectedPlaylistView.h"

#include "ViewsTestSupport.h"
#include "guide/Guide.h"
#include "support/TerminalColumns.h"
#include "text/Format.h"
#include "views/Sort.h"

using namespace corvane;
using namespace corvane::views;
using test_support::Song;

namespace {

class SelectedPlaylistView : public test_support::ViewsTest {
protected:
    // Two songs: every item known, and one with only a title and a long duration.
    library::MemoryPlaylist& roadTrip() {
        auto& p = library->addPlaylist(QStringLiteral("Road Trip"));
        p.add(Song("Apple")
                  .artist("Beatles")
                  .album("Abbey Road")
                  .year("1969")
                  .genre("Rock")
                  .rating(99)
                  .seconds(225)
                  .type("mp3"));
        p.add(Song("The Zebra").seconds(727));
        return p;
    }

    void show(const QString& name) {
        state.SelectedPlaylist = name;
        state.List1.Clear();
        ListSelectedPlaylists(state);
    }

    void configure(const std::vector<std::int16_t>& order, int width, int indent) {
        DisplayConfiguration& c = state.Configuration;
        std::copy(order.begin(), order.end(), c.ListOrder.begin());
        c.ListLastItem = static_cast<std::int16_t>(order.size() - 1);
        c.ListWidth = static_cast<std::int16_t>(width);
        c.ListIndent = static_cast<std::int16_t>(indent);
    }
};

// --- Headings and column lines ----------------------------------------------------------------

// The delivered display (width 0 below), every item (the pad before " Total Time" is ListWidth
// - 76 = 51 spaces), items in the configured order and indent, and no items at all: the lines
// from `first` on.
TEST_F(SelectedPlaylistView, ColumnsFollowTheConfiguredItemsOrderAndIndent) {
    struct Case {
        std::vector<std::int16_t> order;
        int width, indent, first;
        QStringList lines;
    };
    const Case cases[] = {
        {{},
         0,
         0,
         0,
         {"", "         PLAYLIST: Road Trip                         Total Time  0:15:52", "",
          "         SONG TITLE -----------------  ARTIST ------------  TIME  RATING ",
          "      1  Apple                         Beatles              3:45  *****  ",
          "      2  The Zebra                     ----                 12:07 ----   "}},
        {{Title, Artist, Time, Rating, Genre, Year, Album, Type},
         127,
         2,
         0,
         {"",
          "         PLAYLIST: Road Trip                                                            "
          "                Total Time  0:15:52",
          "",
          "         SONG TITLE -----------------  ARTIST ------------  TIME  RATING GENRE ----  "
          "YEAR  ALBUM --------------------  TYPE ",
          "      1  Apple                         Beatles              3:45  *****  Rock        "
          "1969  Abbey Road                  mp3  ",
          "      2  The Zebra                     ----                 12:07 ----   ----        "
          "----  ----                        ---- "}},
        {{Year, Type, Title},
         9 + 6 + 5 + 31,
         6,
         1,
         {"             PLAYLIST: Road Trip                         Total Time  0:15:52", "",
          "             YEAR  TYPE SONG TITLE -----------------  ",
          "          1  1969  mp3  Apple                         "}},
        {{}, 9, 2, 3, {QString(9, u' '), "      1  ", "      2  "}},
    };
    roadTrip();
    for (const Case& c : cases) {
        if (c.width > 0) {
            configure(c.order, c.width, c.indent);
        }
        show(QStringLiteral("Road Trip"));
        EXPECT_EQ(state.List1.lines().mid(c.first, c.lines.size()), c.lines);
        if (c.first == 0) {
            EXPECT_EQ(state.List1.lines(), c.lines);
            EXPECT_EQ(state.TitleLine, c.lines[1]);
            EXPECT_EQ(state.HeadingLine, c.lines[3]);
        }
    }
}

// The title line: the name cut to keep four spaces after it, a pad above width 76, and totals
// of many hours pushed right rather than cut.
TEST_F(SelectedPlaylistView, TitleLines) {
    struct Case {
        QString name;
        int width;
        std::vector<double> seconds; // the songs' lengths, none over a week
        QString expected;
    };
    const auto line = [](const QString& name, int pad, const char* total) {
        return QString(9, u' ') + "PLAYLIST: " + name + QString(pad, u' ') + total;
    };
    const Case cases[] = {
        {"Road", 76, {3600 + 5 * 60 + 9}, line("Road", 29, " Total Time  1:05:09")},
        {"Road", 77, {1}, line("Road", 30, " Total Time  0:00:01")},
        {QString(29, u'A'), 76, {1}, line(QString(29, u'A'), 4, " Total Time  0:00:01")},
        {QString(30, u'B'), 76, {1}, line(QString(29, u'B'), 4, " Total Time  0:00:01")},
        {"Long", 76,
         [] {
             std::vector<double> lengths(200, 5 * 3600.0);
             lengths.push_back(65);
             return lengths;
         }(),
         line("Long", 29, " Total Time1000:01:05")},
    };
    for (const Case& c : cases) {
        library->removePlaylist(c.name);
        auto& playlist = library->addPlaylist(c.name);
        for (const double seconds : c.seconds) {
            playlist.add(Song("x").seconds(seconds));
        }
        configure({Title}, c.width, 2);
        show(c.name);
        EXPECT_EQ(state.TitleLine, c.expected);
    }
}

// --- Cells at their places and beyond -------------------------------------------------------

TEST_F(SelectedPlaylistView, CellsLongerThanTheirPlacesKeepOneSpace) {
    auto& p = library->addPlaylist(QStringLiteral("Odd"));
    p.add(Song(QString(29, u'T'))
              .artist(QString(20, u'A'))
              .year("19991")
              .genre(QString(11, u'G'))
              .rating(99)
              .seconds(75 * 60)
              .type("flac"));
    p.add(Song("t").year("1999123").type("webm-audio"));
    p.add(Song("u").seconds(61).failing("durationString"));
    configure({Title, Artist, Time, Rating, Genre, Year, Type}, 100, 2);
    show(QStringLiteral("Odd"));
    EXPECT_EQ(state.List1.List(4), "      1  " + QString(29, u'T') + " " + QString(20, u'A') + " " +
                                       "75:00 *****  " + QString(11, u'G') + " " + "19991 " +
                                       "flac ");
    // A text is cut where even the borrowed space runs out; a time never is.
    EXPECT_EQ(state.List1.List(5), "      2  t" + QString(29, u' ') + "----" + QString(17, u' ') +
                                       "0:00  ----   ----        19991 webm ");
    // A duration that cannot be read.
    EXPECT_EQ(state.List1.List(6), "      3  u" + QString(29, u' ') + "----" + QString(17, u' ') +
                                       "----  ----   ----        ----  ---- ");
}

// Titles and artists in any script: every line is as wide as the heading and the artist starts
// at the same column, as a terminal or the window shows it (wide characters take two columns,
// combining accents none). Wide characters are cut whole: one that would straddle the column's end
// leaves its place blank.
TEST_F(SelectedPlaylistView, ColumnsStayAlignedWhateverTheScript) {
    QString cjk;
    for (int i = 0; i < 35; ++i) {
        cjk += QChar(0x4E00 + i);
    }
    const QString guitars = QStringLiteral("\U0001F3B8").repeated(35);
    auto& p = library->addPlaylist(QStringLiteral("Scripts"));
    for (const QString& title :
         {QStringLiteral("Cafe"), QStringLiteral("Caf\u00e9"), QStringLiteral("Cafe\u0301"), cjk,
          guitars, u'a' + cjk, QStringLiteral("\u591c\u306b\u99c6\u3051\u308b")}) {
        p.add(Song(title).artist("Artist"));
    }
    p.add(Song("Wide artist").artist(cjk));
    show(QStringLiteral("Scripts"));
    for (const QString& line : songLines()) {
        EXPECT_EQ(terminal::columns(line), terminal::columns(state.HeadingLine))
            << line.toStdString();
        if (line.contains(QStringLiteral("Artist"))) {
            EXPECT_EQ(terminal::columns(line.first(line.indexOf(QStringLiteral("Artist")))), 9 + 30)
                << line.toStdString();
        }
    }
    // 14 wide characters fill 28 of the 29 places; 29 guitars are 58 UTF-16 units, none split.
    EXPECT_EQ(state.List1.List(7),
              "      4  " + cjk.first(14) + "  Artist" + QString(15, u' ') + "0:00  ----   ");
    EXPECT_EQ(state.List1.List(8),
              "      5  " + guitars.first(28) + "  Artist" + QString(15, u' ') + "0:00  ----   ");
    EXPECT_TRUE(state.List1.List(9).startsWith("      6  a" + cjk.first(14) + " Artist"));
}

// --- Playlists of vanished songs ------------------------------------------------------------

TEST_F(SelectedPlaylistView, VanishedPlaylistShowsNoEarlierRows) {
    roadTrip();
    show(QStringLiteral("Road Trip"));
    ASSERT_EQ(state.List1.ListCount(), 6);
    library->removePlaylist(QStringLiteral("Road Trip"));
    for (const bool minor : {false, true}) {
        state.MinorSortOn = minor;
        show(QStringLiteral("Road Trip"));
        EXPECT_EQ(state.List1.ListCount(), 4) << minor;
        EXPECT_TRUE(state.TitleLine.endsWith(" Total Time  0:00:00"));
        EXPECT_EQ(state.TotalSeconds, 0.0F);
    }
}

TEST_F(SelectedPlaylistView, MinorSortListsOnlyTheTableItHas) {
    auto& p = roadTrip();
    show(QStringLiteral("Road Trip"));
    state.MinorSortOn = true;
    // The playlist grew in the library meanwhile: the total is summed afresh, the rows are the
    // table's own.
    p.add(Song("Late").seconds(8));
    show(QStringLiteral("Road Trip"));
    ASSERT_EQ(state.List1.ListCount(), 6);
    EXPECT_TRUE(state.TitleLine.endsWith(" Total Time  0:16:00"));
    EXPECT_EQ(state.LastSong, 1);
    // Shrunk meanwhile: still the table's rows, nothing read beyond them.
    p.clear();
    show(QStringLiteral("Road Trip"));
    EXPECT_EQ(state.List1.ListCount(), 6);
    EXPECT_TRUE(state.List1.List(5).startsWith("      2  The Zebra"));
}

// --- Guide, captions and font sizes --------------------------------------------------------

TEST_F(SelectedPlaylistView, NoPlaylistChosenShowsTheGuide) {
    state.TitleLine = QStringLiteral("kept");
    state.ScaleX = 1.5F;
    state.SortRequest = 3;
    for (const QString& name : {QString(), QStringLiteral("LIST OF PLAYLISTS")}) {
        show(name);
        EXPECT_EQ(state.List1.lines(), guide::GuideLines());
        EXPECT_EQ(state.PrintCaption, "PRINT\nuser's guide");
        EXPECT_EQ(state.PrintKind, PrintLayout::Guide);
        EXPECT_EQ(state.List1.fontSize, static_cast<float>(11 * 1.5 / 1.44));
        EXPECT_EQ(state.TitleLine, "kept");
        EXPECT_EQ(state.SortRequest, 3);
    }
}

TEST_F(SelectedPlaylistView, CaptionAndFontFollowTheDisplay) {
    roadTrip();
    state.ScaleX = 1.25F;
    state.Configuration.ListFontSize = 9;
    state.PlaylistsShowing = 1;
    state.PrintKind = PrintLayout::Guide;
    show(QStringLiteral("Road Trip"));
    EXPECT_EQ(state.PrintCaption, "PRINT\nselected list");
    EXPECT_EQ(state.PrintKind, PrintLayout::List);
    EXPECT_EQ(state.PlaylistsShowing, 0);
    EXPECT_EQ(state.List1.fontSize, static_cast<float>(1.25 / 1.44 * 9 * 1.1));

    // While a custom display is being built its caption stays.
    state.CustomActive = true;
    state.PrintCaption = QStringLiteral("PRINT\ncustom list");
    show(QStringLiteral("Road Trip"));
    EXPECT_EQ(state.PrintCaption, "PRINT\ncustom list");
}

} // namespace
