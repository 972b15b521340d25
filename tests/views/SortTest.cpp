#include "views/Sort.h"

#include "ViewsTestSupport.h"
#include "views/SelectedPlaylistView.h"

using namespace corvane;
using namespace corvane::views;
using test_support::Song;

namespace {

// --- The sort itself, on a table ------------------------------------------------------------

class SortTable : public test_support::ViewsTest {
protected:
    // One row per value, the value in `column` and the row's original position in Album.
    void rows(int column, const QStringList& values) {
        state.SongTable.clear();
        for (int i = 0; i < values.size(); ++i) {
            SongRow row;
            row.fill(QStringLiteral("----"));
            row[static_cast<std::size_t>(column)] = values[i];
            row[Album] = QString::number(i);
            state.SongTable.push_back(row);
        }
        state.LastSong = static_cast<int>(values.size()) - 1;
    }
    QStringList column(int c) const {
        QStringList out;
        for (const SongRow& r : state.SongTable) {
            out << r[static_cast<std::size_t>(c)];
        }
        return out;
    }
    QStringList sorted(int c, int code, const QStringList& values) {
        rows(c, values);
        Sort(state, code, state.LastSong);
        return column(c);
    }
};

TEST_F(SortTable, ArticlesAreSkippedInTitlesAndArtists) {
    const QStringList titles = {"The Zebra", "the end", "Apple"};
    EXPECT_EQ(sorted(Title, Title, titles), QStringList({"Apple", "The Zebra", "the end"}));
    EXPECT_EQ(sorted(Artist, Artist, titles), QStringList({"Apple", "The Zebra", "the end"}));
    // Only one article goes, capitals keep theirs, "Theory" has none, and other columns keep
    // theirs.
    EXPECT_EQ(sorted(Title, Title, {"The The Cure", "THE Best", "Theory", "The Beat", "Tea"}),
              QStringList({"The Beat", "THE Best", "Tea", "The The Cure", "Theory"}));
    EXPECT_EQ(sorted(Year, Year, {"The Zebra", "Apple"}), QStringList({"Apple", "The Zebra"}));
    EXPECT_EQ(sorted(Genre, Genre, {"The Zebra", "Zebra", "The Apple"}),
              QStringList({"The Apple", "The Zebra", "Zebra"}));
}

TEST_F(SortTable, ComparisonIsOrdinalAndCaseSensitive) {
    EXPECT_EQ(sorted(Title, Title, {"apple", "Banana", "banana", "Apple"}),
              QStringList({"Apple", "Banana", "apple", "banana"}));
    // By character code, not by language: accented letters after every plain one.
    EXPECT_EQ(sorted(Title, Title, {"\u00e9clair", "zebra", "eclair"}),
              QStringList({"eclair", "zebra", "\u00e9clair"}));
    // UTF-16 code units: an emoji's first unit (0xD83C) comes before a fullwidth letter (0xFF21),
    // though its code point comes after.
    EXPECT_EQ(sorted(Title, Title, {"\uFF21", "\U0001F3B8"}),
              QStringList({"\U0001F3B8", "\uFF21"}));
}

TEST_F(SortTable, DashesComeAfterStarsAndBeforeDigitsAndLetters) {
    EXPECT_EQ(sorted(Rating, Rating, {"*****", "----", "*", "****", "**"}),
              QStringList({"*", "**", "****", "*****", "----"}));
    EXPECT_EQ(sorted(Rating, Rating + 8, {"*****", "----", "*", "****", "**"}),
              QStringList({"----", "*****", "****", "**", "*"}));
    EXPECT_EQ(sorted(Year, Year, {"2001", "----", "1999", "abc"}),
              QStringList({"----", "1999", "2001", "abc"}));
    // Time and year are texts, not numbers.
    EXPECT_EQ(sorted(Time, Time, {"12:07", "03:45", "100:00"}),
              QStringList({"03:45", "100:00", "12:07"}));
}

TEST_F(SortTable, EqualKeysKeepTheirOrderBothWays) {
    rows(Artist, {"B", "A", "B", "A", "B"});
    Sort(state, Artist, state.LastSong);
    EXPECT_EQ(column(Album), QStringList({"1", "3", "0", "2", "4"}));
    rows(Artist, {"B", "A", "B", "A", "B"});
    Sort(state, Artist + 8, state.LastSong);
    EXPECT_EQ(column(Album), QStringList({"0", "2", "4", "1", "3"}));
    // "The X" and "X" share a key.
    rows(Title, {"The Wall", "Wall", "the Wall"});
    Sort(state, Title + 8, state.LastSong);
    EXPECT_EQ(column(Album), QStringList({"0", "1", "2"}));
}

TEST_F(SortTable, EqualKeysKeepTheirOrderInLongTables) {
    QStringList keys;
    for (int i = 0; i < 200; ++i) {
        keys << QString::number((i * 7919) % 3);
    }
    for (const int code : {int{Year}, Year + 8}) {
        rows(Year, keys);
        Sort(state, code, state.LastSong);
        const QStringList years = column(Year);
        const QStringList positions = column(Album);
        for (int i = 1; i < positions.size(); ++i) {
            if (years[i] == years[i - 1]) {
                EXPECT_LT(positions[i - 1].toInt(), positions[i].toInt()) << "row " << i;
            }
        }
    }
}

TEST_F(SortTable, RowsMoveWholeAndOnlyUpToLastRow) {
    rows(Title, {"c", "b", "a", "0"});
    Sort(state, Title, 2);
    EXPECT_EQ(column(Title), QStringList({"a", "b", "c", "0"}));
    EXPECT_EQ(column(Album), QStringList({"2", "1", "0", "3"}));
    // A bound beyond the table or a code that is none sorts only what is there, or nothing.
    Sort(state, Title, 99);
    EXPECT_EQ(column(Title), QStringList({"0", "a", "b", "c"}));
    Sort(state, 16, 3);
    Sort(state, -1, 3);
    EXPECT_EQ(column(Title), QStringList({"0", "a", "b", "c"}));
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
        state.Configuration.ListOrder = {Title, Artist, Time, Rating, Genre, Year, Album, Type};
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

TEST_F(SortButtons, FirstClickAscendsSecondDescendsThirdAscendsAgain) {
    cmdSort_Click(state, 0);
    EXPECT_EQ(titles(), QStringList({"Bravo", "Charlie", "Delta", "Echo", "alpha"}));
    EXPECT_EQ(state.LastSort, Title);
    EXPECT_EQ(state.SortRequest, -1);
    cmdSort_Click(state, 0);
    EXPECT_EQ(titles(), QStringList({"alpha", "Echo", "Delta", "Charlie", "Bravo"}));
    EXPECT_EQ(state.LastSort, Title + 8);
    cmdSort_Click(state, 0);
    EXPECT_EQ(titles(), QStringList({"Bravo", "Charlie", "Delta", "Echo", "alpha"}));
    // Another item in between starts that one ascending.
    cmdSort_Click(state, 1);
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.LastSort, Title);
    EXPECT_EQ(state.List1.List(4).left(9), "      1  ");
    EXPECT_EQ(state.List1.ListCount(), 4 + 5);
}

TEST_F(SortButtons, ButtonsSortByTheItemAtTheirPosition) {
    state.Configuration.ListOrder = {Year, Title, Time, Rating, Genre, Artist, Album, Type};
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.LastSort, Year);
    // Two 1976 songs keep playlist order: alpha before Bravo.
    EXPECT_EQ(songLines().first().mid(9, 6), "1976  ");
    EXPECT_EQ(songLines()[0].mid(15, 30).trimmed(), "alpha");
    EXPECT_EQ(songLines()[1].mid(15, 30).trimmed(), "Bravo");
}

TEST_F(SortButtons, MajorSortStartsFromThePlaylistOrder) {
    cmdSort_Click(state, 0); // titles ascending
    cmdSort_Click(state, 1); // artists: ties in playlist order, not title order
    EXPECT_EQ(titles(), QStringList({"alpha", "Bravo", "Echo", "Delta", "Charlie"}));
}

TEST_F(SortButtons, MinorSortsGiveMultiKeyOrders) {
    cmdMinorSort_Click(state);
    ASSERT_TRUE(state.MinorSortOn);
    cmdSort_Click(state, 3); // rating ascending: the most minor key first
    cmdSort_Click(state, 1); // then artist
    // Artists in order, and within each artist the songs by rating.
    EXPECT_EQ(titles(), QStringList({"Bravo", "alpha", "Echo", "Delta", "Charlie"}));
    EXPECT_TRUE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, "Minor Sort On");

    // Rating descending as the minor key this time.
    cmdSort_Click(state, 3);
    cmdSort_Click(state, 3);
    cmdSort_Click(state, 1);
    EXPECT_EQ(titles(), QStringList({"alpha", "Bravo", "Echo", "Charlie", "Delta"}));
}

TEST_F(SortButtons, ButtonsBeyondTheLastItemDoNothing) {
    const QStringList before = state.List1.lines;
    state.PlaylistsShowing = 1;
    for (const int index : {6, 7, 8, -1}) {
        cmdSort_Click(state, index);
    }
    EXPECT_EQ(state.List1.lines, before);
    EXPECT_EQ(state.SortRequest, -1);
    EXPECT_EQ(state.PlaylistsShowing, 1);

    state.Configuration.ListLastItem = -1;
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.List1.lines, before);
}

TEST_F(SortButtons, CaptionsDuringACustomDisplay) {
    state.PrintCaption = QStringLiteral("anything");
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.PrintCaption, "PRINT\nselected list");
    EXPECT_EQ(state.PrintKind, 12);
    state.CustomActive = true;
    state.PrintCaption = QStringLiteral("anything");
    cmdSort_Click(state, 0);
    EXPECT_EQ(state.PrintCaption, "PRINT\ncustom list");
}

TEST_F(SortButtons, SortWaitsWhileThePlaylistIsEmpty) {
    library->addPlaylist(QStringLiteral("Empty"));
    state.SelectedPlaylist = QStringLiteral("Empty");
    cmdSort_Click(state, 1);
    EXPECT_EQ(state.List1.ListCount(), 4);
    EXPECT_EQ(state.SortRequest, Artist);
    EXPECT_EQ(state.LastSort, -1);
    // The next listing of a playlist applies it.
    state.SelectedPlaylist = QStringLiteral("Mix");
    state.List1.Clear();
    ListSelectedPlaylists(state);
    EXPECT_EQ(titles(), QStringList({"alpha", "Bravo", "Echo", "Delta", "Charlie"}));
}

TEST_F(SortButtons, MinorSortToggleNeedsAPlaylist) {
    cmdMinorSort_Click(state);
    EXPECT_TRUE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, "Minor Sort On");
    cmdMinorSort_Click(state);
    EXPECT_FALSE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, "Minor Sort Off");

    const QStringList before = state.List1.lines;
    for (const QString& none : {QString(), QStringLiteral("LIST OF PLAYLISTS")}) {
        state.SelectedPlaylist = none;
        cmdMinorSort_Click(state);
        EXPECT_FALSE(state.MinorSortOn);
        EXPECT_EQ(state.MinorSortCaption, "Minor Sort Off");
    }
    // Nothing is listed again.
    EXPECT_EQ(state.List1.lines, before);
}

} // namespace
