#include "views/Sort.h"

#include "ViewsTestSupport.h"
#include "views/SelectedPlaylistView.h"

using namespace corvane;
using namespace corvane::views;
using test_support::Song;

namespace {

// --- The sort itself, on a table ------------------------------------------------------------

// One row per value, the value in `column` and the row's original position in Album.
std::vector<SongRow> rows(int column, const QStringList& values) {
    std::vector<SongRow> table;
    for (int i = 0; i < values.size(); ++i) {
        SongRow row;
        row.fill(QStringLiteral("----"));
        row[static_cast<std::size_t>(column)] = values[i];
        row[Album] = QString::number(i);
        table.push_back(row);
    }
    return table;
}

QStringList cells(const std::vector<SongRow>& table, int column) {
    QStringList out;
    for (const SongRow& r : table) {
        out << r[static_cast<std::size_t>(column)];
    }
    return out;
}

// Sorts "a|b|c" in `column` by `code`; gives the sorted column and the rows' first positions.
std::pair<QString, QString> sorted(int column, int code, const char* values) {
    std::vector<SongRow> table = rows(column, QString::fromUtf8(values).split(u'|'));
    Sort(table, code, static_cast<int>(table.size()) - 1);
    return {cells(table, column).join(u'|'), cells(table, Album).join(u'|')};
}

TEST(SortTable, OrdersByTheColumnsKeyAndKeepsTiesInOrder) {
    struct Case {
        int column, code;
        const char *values, *sorted, *positions;
    };
    const Case cases[] = {
        // One leading "The " or "the " is skipped in titles and artists, nowhere else; "THE"
        // and "Theory" keep theirs.
        {Title, Title, "The Zebra|the end|Apple", "Apple|The Zebra|the end", "2|0|1"},
        {Artist, Artist, "The Zebra|the end|Apple", "Apple|The Zebra|the end", "2|0|1"},
        {Title, Title, "The The Cure|THE Best|Theory|The Beat|Tea",
         "The Beat|THE Best|Tea|The The Cure|Theory", "3|1|4|0|2"},
        {Genre, Genre, "The Zebra|Zebra|The Apple", "The Apple|The Zebra|Zebra", "2|0|1"},
        // Ordinal on UTF-16 units: capitals first, accented letters after every plain one, an
        // emoji's first unit (0xD83C) before a fullwidth letter (0xFF21).
        {Title, Title, "apple|Banana|banana|Apple", "Apple|Banana|apple|banana", "3|1|0|2"},
        {Title, Title, "\u00e9clair|zebra|eclair", "eclair|zebra|\u00e9clair", "2|1|0"},
        {Title, Title, "\uFF21|\U0001F3B8", "\U0001F3B8|\uFF21", "1|0"},
        // "*" before "-" before digits and letters, both ways; times and years are texts.
        {Rating, Rating, "*****|----|*|****|**", "*|**|****|*****|----", "2|4|3|0|1"},
        {Rating, Rating + 8, "*****|----|*|****|**", "----|*****|****|**|*", "1|0|3|4|2"},
        {Year, Year, "2001|----|1999|abc", "----|1999|2001|abc", "1|2|0|3"},
        {Time, Time, "12:07|03:45|100:00", "03:45|100:00|12:07", "1|2|0"},
        // Equal keys keep their order both ways; "The X" and "X" share a key.
        {Artist, Artist, "B|A|B|A|B", "A|A|B|B|B", "1|3|0|2|4"},
        {Artist, Artist + 8, "B|A|B|A|B", "B|B|B|A|A", "0|2|4|1|3"},
        {Title, Title + 8, "The Wall|Wall|the Wall", "The Wall|Wall|the Wall", "0|1|2"},
    };
    for (const Case& c : cases) {
        const auto [values, positions] = sorted(c.column, c.code, c.values);
        EXPECT_EQ(values, QString::fromUtf8(c.sorted)) << c.values;
        EXPECT_EQ(positions, QString::fromUtf8(c.positions)) << c.values;
    }
    // Long tables: few keys, or many that share their first letters, in order and stable.
    for (const auto& [pattern, kinds] : {std::pair{"%1", 3}, std::pair{"Track %1", 50}}) {
        QStringList keys;
        for (int i = 0; i < 200; ++i) {
            keys << QString::fromLatin1(pattern).arg(i * 7919 % kinds);
        }
        for (const int code : {int{Year}, Year + 8}) {
            std::vector<SongRow> table = rows(Year, keys);
            Sort(table, code, 199);
            for (std::size_t i = 1; i < table.size(); ++i) {
                const int c = table[i - 1][Year].compare(table[i][Year]);
                EXPECT_TRUE(code == Year ? c <= 0 : c >= 0) << "row " << i;
                if (c == 0) {
                    EXPECT_LT(table[i - 1][Album].toInt(), table[i][Album].toInt()) << "row " << i;
                }
            }
        }
    }
}

TEST(SortTable, RowsMoveWholeAndOnlyUpToLastRow) {
    std::vector<SongRow> table = rows(Title, {"c", "b", "a", "0"});
    Sort(table, Title, 2);
    EXPECT_EQ(cells(table, Title), QStringList({"a", "b", "c", "0"}));
    EXPECT_EQ(cells(table, Album), QStringList({"2", "1", "0", "3"}));
    // A bound beyond the table or a code that is none sorts only what is there, or nothing.
    Sort(table, Title, 99);
    EXPECT_EQ(cells(table, Title), QStringList({"0", "a", "b", "c"}));
    Sort(table, 16, 3);
    Sort(table, -1, 3);
    EXPECT_EQ(cells(table, Title), QStringList({"0", "a", "b", "c"}));
}

// --- The sort buttons on a listed playlist ------------------------------------------------------

class SortButtons : public test_support::ViewsTest {
protected:
    SortButtons() {
        auto& p = library->addPlaylist(QStringLiteral("Mix"));
        p.add(Song("Delta").artist("Cure").rating(50).year("1985"));
        p.add(Song("alpha").artist("Abba").rating(99).year("1976"));
        p.add(Song("Charlie").artist("Cure").rating(99).year("1989"));
        p.add(Song("Bravo").artist("Abba").rating(25).year("1976"));
        p.add(Song("Echo").artist("Blur").year("1994"));
        // Year at position 2: a button sorts by the item at its position, not by its own index.
        state.Configuration.ListOrder = {Title, Artist, Year, Rating, Genre, Time, Album, Type};
        state.Configuration.ListLastItem = 5;
        state.SelectedPlaylist = QStringLiteral("Mix");
        state.PlaylistsShowing = 1;
        ListSelectedPlaylists(state);
    }

    // The titles as listed, top to bottom.
    QStringList titles() const {
        QStringList out;
        for (const QString& line : songLines()) {
            out << line.mid(9, 30).trimmed();
        }
        return out;
    }
};

TEST_F(SortButtons, ClicksGiveTheseOrders) {
    struct Case {
        bool minor;
        std::vector<int> clicks; // sort button positions, in turn
        QStringList titles;
        int lastSort;
    };
    const Case cases[] = {
        // A first click ascends, a second descends, a third ascends again.
        {false, {0}, {"Bravo", "Charlie", "Delta", "Echo", "alpha"}, Title},
        {false, {0, 0}, {"alpha", "Echo", "Delta", "Charlie", "Bravo"}, Title + 8},
        {false, {0, 0, 0}, {"Bravo", "Charlie", "Delta", "Echo", "alpha"}, Title},
        // Another item in between starts that one ascending again.
        {false, {0, 1, 0}, {"Bravo", "Charlie", "Delta", "Echo", "alpha"}, Title},
        // A major sort starts from the playlist's order: ties by playlist order, not by title.
        {false, {0, 1}, {"alpha", "Bravo", "Echo", "Delta", "Charlie"}, Artist},
        {false, {2}, {"alpha", "Bravo", "Delta", "Charlie", "Echo"}, Year},
        // Minor sorts refine: the most minor key first (rating), then artist.
        {true, {3, 1}, {"Bravo", "alpha", "Echo", "Delta", "Charlie"}, Artist},
        {true, {3, 3, 1}, {"alpha", "Bravo", "Echo", "Charlie", "Delta"}, Artist},
    };
    for (const Case& c : cases) {
        state.MinorSortOn = false;
        state.LastSort = -1;
        state.List1.Clear();
        ListSelectedPlaylists(state);
        if (c.minor) {
            cmdMinorSort_Click(state);
        }
        for (const int button : c.clicks) {
            cmdSort_Click(state, button);
        }
        EXPECT_EQ(titles(), c.titles);
        EXPECT_EQ(state.LastSort, c.lastSort);
        EXPECT_EQ(state.SortRequest, -1);
        EXPECT_EQ(state.MinorSortOn, c.minor);
        EXPECT_EQ(state.List1.List(4).left(9), "      1  ");
    }
}

TEST_F(SortButtons, ButtonsBeyondTheLastItemDoNothing) {
    const QStringList before = state.List1.lines();
    state.PlaylistsShowing = 1;
    for (const int index : {6, 7, 8, -1}) {
        cmdSort_Click(state, index);
    }
    EXPECT_EQ(state.List1.lines(), before);
    EXPECT_EQ(state.SortRequest, -1);
    EXPECT_EQ(state.PlaylistsShowing, 1);

    state.Configuration.ListLastItem = -1;
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.List1.lines(), before);
}

// While a custom display is being built a sort keeps its caption and prints the list.
TEST_F(SortButtons, CaptionsDuringACustomDisplay) {
    state.CustomActive = true;
    state.PrintCaption = QStringLiteral("anything");
    state.PrintKind = PrintLayout::Guide;
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.PrintCaption, "PRINT\ncustom list");
    EXPECT_EQ(state.PrintKind, PrintLayout::List);
}

TEST_F(SortButtons, SortWaitsWhileThePlaylistIsEmpty) {
    library->addPlaylist(QStringLiteral("Empty"));
    state.SelectedPlaylist = QStringLiteral("Empty");
    state.LastSort = Title;
    cmdSort_Click(state, 1);
    EXPECT_EQ(state.List1.ListCount(), 4);
    EXPECT_TRUE(state.TitleLine.endsWith(" Total Time  0:00:00"));
    EXPECT_EQ(state.SortRequest, Artist);
    EXPECT_EQ(state.LastSort, Title);
    EXPECT_EQ(state.LastSong, -1);
    // The next listing of a playlist applies it.
    state.SelectedPlaylist = QStringLiteral("Mix");
    state.List1.Clear();
    ListSelectedPlaylists(state);
    EXPECT_EQ(titles(), QStringList({"alpha", "Bravo", "Echo", "Delta", "Charlie"}));
    EXPECT_EQ(state.SortRequest, -1);
}

TEST_F(SortButtons, MinorSortToggleNeedsAPlaylist) {
    cmdMinorSort_Click(state);
    EXPECT_TRUE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, "Minor Sort On");
    cmdMinorSort_Click(state);
    EXPECT_FALSE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, "Minor Sort Off");

    const QStringList before = state.List1.lines();
    for (const QString& none : {QString(), QStringLiteral("LIST OF PLAYLISTS")}) {
        state.SelectedPlaylist = none;
        cmdMinorSort_Click(state);
        EXPECT_FALSE(state.MinorSortOn);
        EXPECT_EQ(state.MinorSortCaption, "Minor Sort Off");
    }
    // Nothing is listed again.
    EXPECT_EQ(state.List1.lines(), before);
}

} // namespace
