#include "print/Label.h"

#include "PrintTestSupport.h"
#include "guide/Guide.h"
#include "support/TerminalColumns.h"
#include "text/Format.h"

#include <algorithm>

using namespace corvane;
using namespace corvane::print;
using test_support::chooseLabelItems;
using views::Artist, views::Genre, views::Rating, views::Time, views::Title, views::Year;

namespace {

class LabelTest : public test_support::PrintTest {
protected:
    const QStringList& label() {
        Label(state);
        return state.List1.lines();
    }

    // Every line of the view is exactly the label's width.
    void expectFullWidth() const {
        for (const QString& line : state.List1.lines()) {
            EXPECT_EQ(terminal::columns(line), state.Configuration.LabelLineWidth)
                << '"' << line.toStdString() << '"';
        }
    }
};

// Golden lines are written between bars so that their trailing spaces show.
QStringList unbarred(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* line : lines) {
        const QString s = QString::fromUtf8(line);
        out.append(s.mid(1, s.size() - 2));
    }
    return out;
}

} // namespace

TEST_F(LabelTest, RoadTripOfFortySongsIsOneTwoColumnBlock) {
    library::MemoryPlaylist& trip = library->addPlaylist(QStringLiteral("Road Trip"));
    QStringList titles = {"Highway Star", "Take Me Home, Country Roads", "Caf\u00e9 del Mar",
                          "Born to Be Wild on Route 666", "On the Road Again and Again and Again"};
    for (int k = 6; k <= 40; ++k) {
        titles.append(QStringLiteral("Track %1").arg(k, 2, 10, QLatin1Char('0')));
    }
    titles[32] = QStringLiteral("Life Is a Highway");
    titles[39] = QStringLiteral("Drive");
    // 39 x 188 + 177 seconds: 2 hours, 5 minutes and 9 seconds.
    for (int k = 0; k < 40; ++k) {
        trip.add(test_support::Song(titles[k]).seconds(k < 39 ? 188 : 177));
    }
    state.SelectedPlaylist = QStringLiteral("Road Trip");
    chooseLabelItems(state, {Title});

    const QStringList expected = unbarred({
        "|                                                                      |",
        "|     ALBUM: Road Trip                           Total Time  2:05:09   |",
        "|                                                                      |",
        "|     SONG TITLE -----------------       SONG TITLE -----------------  |",
        "|   1 Highway Star                    33 Life Is a Highway             |",
        "|   2 Take Me Home, Country Roads     34 Track 34                      |",
        "|   3 Café del Mar                    35 Track 35                      |",
        "|   4 Born to Be Wild on Route 666    36 Track 36                      |",
        "|   5 On the Road Again and Again a   37 Track 37                      |",
        "|   6 Track 06                        38 Track 38                      |",
        "|   7 Track 07                        39 Track 39                      |",
        "|   8 Track 08                        40 Drive                         |",
        "|   9 Track 09                                                         |",
        "|  10 Track 10                                                         |",
        "|  11 Track 11                                                         |",
        "|  12 Track 12                                                         |",
        "|  13 Track 13                                                         |",
        "|  14 Track 14                                                         |",
        "|  15 Track 15                                                         |",
        "|  16 Track 16                                                         |",
        "|  17 Track 17                                                         |",
        "|  18 Track 18                                                         |",
        "|  19 Track 19                                                         |",
        "|  20 Track 20                                                         |",
        "|  21 Track 21                                                         |",
        "|  22 Track 22                                                         |",
        "|  23 Track 23                                                         |",
        "|  24 Track 24                                                         |",
        "|  25 Track 25                                                         |",
        "|  26 Track 26                                                         |",
        "|  27 Track 27                                                         |",
        "|  28 Track 28                                                         |",
        "|  29 Track 29                                                         |",
        "|  30 Track 30                                                         |",
        "|  31 Track 31                                                         |",
        "|  32 Track 32                                                         |",
    });
    EXPECT_EQ(label(), expected);
    EXPECT_EQ(state.PlaylistsShowing, 0);
    EXPECT_EQ(state.LastSong, 39);
}

// The title alone: one column under one heading up to 32 songs; from 33 on, two headings in every
// block, the second block's lone song included (two columns filled are the golden label's).
TEST_F(LabelTest, TitleAloneFillsTheRightColumnOnlyAfterTheLeft) {
    chooseLabelItems(state, {Title});
    const QString single = QStringLiteral("     SONG TITLE -----------------  ");

    playlistOf(32, QStringLiteral("32"));
    const QStringList& l32 = label();
    EXPECT_EQ(l32[3], text::padRight(single, 70));
    EXPECT_EQ(l32[35], text::padRight(QStringLiteral("  32 Song 32"), 70));

    playlistOf(33, QStringLiteral("33"));
    EXPECT_EQ(label()[3], single + single);

    playlistOf(65, QStringLiteral("65"));
    const QStringList& l65 = label();
    ASSERT_EQ(l65.size(), 36 + 5);
    EXPECT_EQ(l65[39], single + single);
    EXPECT_EQ(l65[40], text::padRight(QStringLiteral("  65 Song 65"), 70));
}

TEST_F(LabelTest, WideItemsGiveFortyTwoSongsABlockNinetyFourWide) {
    // All six items: width 79, so 42 rows at 6 points, indent 7 and a pad of 16.
    chooseLabelItems(state, {Title, Artist, Time, Rating, Genre, Year});
    playlistOf(43);
    const QStringList& lines = label();
    ASSERT_EQ(lines.size(), 4 + 42 + 4 + 1);
    EXPECT_EQ(lines[1],
              text::padRight(text::spaces(12) + QStringLiteral("ALBUM: Mix") +
                                 text::spaces(33 + 16) + QStringLiteral("Total Time  2:23:20"),
                             94));
    EXPECT_EQ(lines[3], text::padRight(
                            text::spaces(12) +
                                QStringLiteral("SONG TITLE -----------------  ARTIST ------------  "
                                               "TIME RATING GENRE ---  YEAR "),
                            94));
    EXPECT_EQ(lines[4],
              text::padRight(text::spaces(10) + QStringLiteral("1 Song 1                        "
                                                               "Artist 1             3:20 ***    "
                                                               "Rock       1999 "),
                             94));
}

// Japanese titles, artists, genre and playlist name among plain ones in every layout: every line
// of the view is the label's width in columns (and so its printed frames stay whole).
TEST_F(LabelTest, EveryLayoutOfTheSongsPerLabelTableIsFullWidth) {
    const QString titles[] = {QStringLiteral("\u591c\u306b\u99c6\u3051\u308b"),
                              QStringLiteral("\u30de\u30ea\u30fc\u30b4\u30fc\u30eb\u30c9\u306e"
                                             "\u6b4c\u3068\u590f\u306e\u7d42\u308f\u308a\u306e"
                                             "\u98a8"),
                              QStringLiteral("a\u6771\u4eac\u30bf\u30ef\u30fc Tower"),
                              QStringLiteral("Plain title")};
    const std::vector<std::vector<int>> choices = {
        {Title},
        {Artist},
        {Artist, Time},
        {Artist, Rating}, // two columns
        {Artist, Time, Year},
        {Title, Time},
        {Title, Artist, Time},
        {Title, Artist, Time, Rating}, // one column of 32, the widest without a pad
        {Title, Artist, Genre, Time},
        {Title, Artist, Time, Rating, Genre, Year}}; // one column of 42
    int n = 0;
    for (const auto& items : choices) {
        chooseLabelItems(state, items);
        const views::DisplayConfiguration& c = state.Configuration;
        const bool twoColumns = c.LabelWidth <= 30;
        for (const int songs : {1, 31, 32, 33, 42, 43, 64, 65, 130}) {
            library::MemoryPlaylist& playlist = library->addPlaylist(
                QStringLiteral("\u6771\u4eac\u306e\u591c\u306e\u30d7\u30ec\u30a4\u30ea"
                               "\u30b9\u30c8\u305d\u306e%1")
                    .arg(++n));
            for (int k = 0; k < songs; ++k) {
                playlist.add(test_support::Song(titles[k % 4])
                                 .artist(titles[(k + 1) % 4])
                                 .genre(QStringLiteral("\u6f14\u6b4c\u30dd\u30c3\u30d7\u30b9"))
                                 .seconds(200));
            }
            state.SelectedPlaylist = playlist.name();
            const QStringList& lines = label();
            SCOPED_TRACE(
                QStringLiteral("width %1, %2 songs").arg(c.LabelWidth).arg(songs).toStdString());
            const int perBlock = twoColumns ? 2 * c.LabelRows : c.LabelRows;
            const int blocks = (songs + perBlock - 1) / perBlock;
            const int lastBlockSongs = songs - (blocks - 1) * perBlock;
            const int lastBlockLines =
                twoColumns ? std::min<int>(lastBlockSongs, c.LabelRows) : lastBlockSongs;
            EXPECT_EQ(lines.size(), (blocks - 1) * (c.LabelRows + 4) + 4 + lastBlockLines);
            expectFullWidth();
            // Each block opens with the first's four header lines; its song lines are recorded
            // with their numbers and lead with them after the indent.
            for (int i = 0; i < lines.size(); ++i) {
                const int inBlock = i % (c.LabelRows + 4);
                const views::LineRole role = state.List1.role(i);
                if (inBlock < 4) {
                    EXPECT_NE(role.kind, views::LineKind::LabelSongs) << i;
                    EXPECT_EQ(lines[i], lines[inBlock]) << i;
                    continue;
                }
                const int number = (i / (c.LabelRows + 4)) * perBlock + inBlock - 3;
                EXPECT_EQ(role.kind, views::LineKind::LabelSongs) << i;
                EXPECT_EQ(role.number, number) << i;
                EXPECT_EQ(lines[i].mid(c.LabelIndent, 4).trimmed(), QString::number(number)) << i;
            }
        }
    }
}

TEST_F(LabelTest, LongValuesKeepTheColumnsInLine) {
    chooseLabelItems(state, {Title, Artist, Genre, Time}); // 67: 42 rows, pad 4
    library::MemoryPlaylist& playlist =
        library->addPlaylist(QStringLiteral("A Playlist Name Of Thirty-One C"));
    playlist.add(test_support::Song(QString(40, u'T'))
                     .artist(QStringLiteral("Caf\u00e9 Ensemble \U0001F3B8 Orchestra"))
                     .genre("Alternative") // 11 characters in 10 places
                     .seconds(245));
    state.SelectedPlaylist = playlist.name();

    const QStringList& lines = label();
    ASSERT_EQ(lines.size(), 5);
    expectFullWidth();
    // The name is cut to 27 characters and followed by 9 spaces, then the pad of 4.
    EXPECT_EQ(lines[1],
              text::padRight(text::spaces(12) +
                                 QStringLiteral("ALBUM: A Playlist Name Of Thirty-O") +
                                 text::spaces(9 + 4) + QStringLiteral("Total Time  0:04:05"),
                             94));
    EXPECT_EQ(lines[4],
              text::padRight(text::spaces(10) + QStringLiteral("1 ") + QString(29, u'T') + u' ' +
                                 QStringLiteral("Caf\u00e9 Ensemble \U0001F3B8 Orc ") +
                                 QStringLiteral("Alternativ 4:05 "),
                             94));
}

TEST_F(LabelTest, NoItemsGiveNumbersUnderABlankHeader) {
    chooseLabelItems(state, {});
    state.Configuration.LabelWidth = 40; // one column, as a damaged file could have it
    playlistOf(3);
    const QStringList& lines = label();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[3], text::spaces(70));
    EXPECT_EQ(lines[4], text::padRight(QStringLiteral("   1 "), 70));
    EXPECT_EQ(lines[6], text::padRight(QStringLiteral("   3 "), 70));
}

TEST_F(LabelTest, WithoutAPlaylistShowsTheGuide) {
    for (const QString& selected : {QString(), views::ListOfPlaylistsHeading}) {
        state.SelectedPlaylist = selected;
        state.ScaleX = 1.44F;
        state.PrintCaption = views::caption::LabelView;
        state.SortGroupVisible = true;
        state.List1.AddItem(QStringLiteral("old line"));
        EXPECT_EQ(label(), guide::GuideLines());
        EXPECT_EQ(state.PrintCaption, views::caption::UsersGuide);
        EXPECT_FLOAT_EQ(state.List1.fontSize, 11.0F);
        EXPECT_EQ(state.PrintKind, views::PrintLayout::Guide);
        EXPECT_TRUE(state.SortGroupVisible);
    }
}

// A label sets the display font and drops a pending sort: the playlist's own order. In
// minor-sort mode it shows the table as sorted, and only the rows it holds, though the playlist
// grew meanwhile; the total is the playlist's.
TEST_F(LabelTest, DropsAPendingSortButKeepsAMinorSortedTable) {
    chooseLabelItems(state, {Title, Artist});
    library::MemoryPlaylist& playlist = playlistOf(3);
    state.ScaleX = 1.28F;
    state.PrintCaption = views::caption::CustomLabel;
    state.SortRequest = 9;
    state.LastSort = 3;
    EXPECT_TRUE(label()[4].startsWith(QStringLiteral("   1 Song 1 ")));
    EXPECT_FLOAT_EQ(state.List1.fontSize, 8 * 1.35F);
    EXPECT_EQ(state.PrintCaption, views::caption::CustomLabel);
    EXPECT_EQ(state.LastSort, 9);
    EXPECT_EQ(state.SortRequest, -1);

    std::reverse(state.SongTable.begin(), state.SongTable.end());
    playlist.add(test_support::Song("New Song"));
    state.MinorSortOn = true;
    const QStringList& lines = label();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(state.LastSong, 2);
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("   1 Song 3 ")));
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("   3 Song 1 ")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Total Time  0:10:00")));
}

// An empty playlist shows nothing and keeps a pending sort; one gone from the library, or rows of
// zero or less, show nothing and say why.
TEST_F(LabelTest, ShowsNothingWithoutSongsOrRows) {
    chooseLabelItems(state, {Title});
    playlistOf(0);
    state.SortRequest = 2;
    state.LastSort = 5;
    state.List1.AddItem(QStringLiteral("old line"));
    EXPECT_TRUE(label().isEmpty());
    EXPECT_EQ(state.SortRequest, 2);
    EXPECT_EQ(state.LastSort, 5);
    EXPECT_EQ(state.PrintKind, views::PrintLayout::Label);
    EXPECT_FALSE(state.SortGroupVisible);

    playlistOf(5, QStringLiteral("Old Name"));
    ASSERT_FALSE(label().isEmpty());
    library->removePlaylist(QStringLiteral("Old Name"));
    for (const bool minor : {false, true}) {
        state.MinorSortOn = minor;
        EXPECT_TRUE(label().isEmpty());
        EXPECT_TRUE(state.StatusLine.contains(QStringLiteral("Old Name")));
        // Nothing of it is left for a later sort or label to show.
        EXPECT_TRUE(state.SongTable.empty());
        EXPECT_EQ(state.LastSong, -1);
    }
    state.Playlists = nullptr;
    EXPECT_TRUE(label().isEmpty());

    state.Playlists = library;
    state.MinorSortOn = false;
    chooseLabelItems(state, {Title, Time});
    playlistOf(3, QStringLiteral("Three"));
    for (const int rows : {0, -4}) {
        state.Configuration.LabelRows = static_cast<std::int16_t>(rows);
        state.StatusLine.clear();
        EXPECT_TRUE(label().isEmpty());
        EXPECT_FALSE(state.StatusLine.isEmpty());
    }
}
