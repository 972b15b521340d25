#include "views/CustomDisplay.h"

#include "ViewsTestSupport.h"
#include "views/DisplayReset.h"

using namespace corvane;
using namespace corvane::views;
using test_support::Song;

namespace {

struct Layout {
    int width, fontSize, indent, songsPerPage;
    bool operator==(const Layout&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Layout& l) {
    return os << "width " << l.width << ", " << l.fontSize << " pt, indent " << l.indent << ", "
              << l.songsPerPage << " a page";
}

class CustomDisplay : public test_support::ViewsTest {
protected:
    CustomDisplay() {
        library->addPlaylist(QStringLiteral("Mix"))
            .add(Song("Delta").artist("Cure").rating(50).genre("Rock").seconds(200))
            .add(Song("alpha").artist("Abba").rating(99).genre("Pop").seconds(100));
        state.SelectedPlaylist = QStringLiteral("Mix");
        ResetList(state);
    }

    void click(std::initializer_list<int> items) {
        for (const int item : items) {
            cmdCustom_Click(state, item);
        }
    }
    Layout list() const {
        const DisplayConfiguration& c = state.Configuration;
        return {c.ListWidth, c.ListFontSize, c.ListIndent, c.ListSongsPerPage};
    }
    Layout label() const {
        const DisplayConfiguration& c = state.Configuration;
        return {c.LabelWidth, c.LabelFontSize, c.LabelIndent, c.LabelRows};
    }
};

// --- Guards --------------------------------------------------------------------------------

TEST_F(CustomDisplay, ClicksThatCannotAddDoNothing) {
    // No playlist selected, or the heading picked; no caption on the button; no such button.
    for (const QString& none : {QString(), QStringLiteral("LIST OF PLAYLISTS")}) {
        state.SelectedPlaylist = none;
        EXPECT_EQ(cmdCustom_Click(state, Title), Rebuild::None);
    }
    state.SelectedPlaylist = QStringLiteral("Mix");
    state.CustomCaptions[Genre].clear();
    for (const int button : {int{Genre}, 8, -1}) {
        EXPECT_EQ(cmdCustom_Click(state, button), Rebuild::None);
    }
    EXPECT_FALSE(state.CustomActive);
    EXPECT_EQ(state.Configuration, DisplayConfiguration::delivered());
    EXPECT_EQ(state.PrintCaption, "PRINT\nselected list");
    EXPECT_EQ(state.SortCaptions[0], "Title");
}

// --- The list display ----------------------------------------------------------------------

TEST_F(CustomDisplay, WorkedExampleTitleArtistTimeGenreRating) {
    state.PlaylistsShowing = 1;
    state.PrintKind = PrintLayout::Guide;
    state.LastSort = Rating + 8;
    state.MinorSortOn = true;
    // The first click starts an empty display, even with an item the delivered one shows.
    EXPECT_EQ(cmdCustom_Click(state, Title), Rebuild::List);
    EXPECT_TRUE(state.CustomActive);
    EXPECT_EQ(state.PrintCaption, "PRINT\ncustom list");
    EXPECT_EQ(state.PrintKind, PrintLayout::List);
    EXPECT_EQ(state.PlaylistsShowing, 0);
    EXPECT_EQ(state.SortCaptions[1], " ");
    // Positions beyond the last keep what they held.
    EXPECT_EQ(state.Configuration.ListOrder[1], DisplayConfiguration::delivered().ListOrder[1]);
    EXPECT_EQ(cmdCustom_Click(state, Artist), Rebuild::List);
    EXPECT_EQ(cmdCustom_Click(state, Time), Rebuild::List);

    const DisplayConfiguration& c = state.Configuration;
    EXPECT_EQ(c.ListLastItem, 2);
    EXPECT_EQ(std::vector(c.ListOrder.begin(), c.ListOrder.begin() + 3),
              (std::vector<std::int16_t>{Title, Artist, Time}));
    EXPECT_EQ(list(), (Layout{68, 11, 2, 54}));
    const std::array<QString, 8> captions = {"Title", "Artist", "Time", " ", " ", " ", " ", " "};
    EXPECT_EQ(state.SortCaptions, captions);
    EXPECT_EQ(state.NextPosition, 2);

    click({Genre, Rating});
    EXPECT_EQ(list(), (Layout{87, 8, 6, 78}));
    EXPECT_EQ(c.ListLastItem, 4);
    EXPECT_EQ(state.SortCaptions[4], "Rating");

    // An item is added once.
    const DisplayConfiguration before = state.Configuration;
    EXPECT_EQ(cmdCustom_Click(state, Rating), Rebuild::None);
    EXPECT_EQ(cmdCustom_Click(state, Title), Rebuild::None);
    EXPECT_EQ(state.Configuration, before);
    EXPECT_EQ(state.NextPosition, 4);
    // The chooser leaves the sort state alone.
    EXPECT_EQ(state.LastSort, Rating + 8);
    EXPECT_EQ(state.SortRequest, -1);
    EXPECT_TRUE(state.MinorSortOn);
}

// Width, font size, indent and songs a page (rows a label) at each threshold of both displays.
TEST_F(CustomDisplay, FontIndentAndPageFollowTheWidthAtEachThreshold) {
    struct Case {
        bool label;
        std::vector<int> items;
        Layout layout;
    };
    const Case cases[] = {
        {false, {Title}, {40, 11, 2, 54}},
        {false, {Artist, Genre, Album, Type}, {77, 11, 2, 54}},
        {false, {Artist, Time, Genre, Album}, {78, 10, 2, 60}},
        {false, {Title, Artist, Time, Genre}, {80, 10, 2, 60}},
        {false, {Title, Genre, Album}, {81, 9, 4, 66}},
        {false, {Title, Artist, Time, Genre, Type}, {85, 9, 4, 66}},
        {false, {Title, Genre, Album, Type}, {86, 8, 6, 78}},
        {false, {Title, Time, Rating, Genre, Album}, {94, 8, 6, 78}},
        {false, {Title, Artist, Album, Type}, {96, 7, 2, 88}},
        {false, {Title, Artist, Time, Rating, Genre, Year, Album, Type}, {127, 7, 2, 88}},
        {true, {Title, Artist, Genre}, {62, 8, 0, 32}},
        {true, {Title, Artist, Time, Genre}, {67, 6, 7, 42}},
    };
    for (const Case& c : cases) {
        c.label ? ResetLabel(state) : ResetList(state);
        for (const int item : c.items) {
            EXPECT_EQ(cmdCustom_Click(state, item), c.label ? Rebuild::Label : Rebuild::List);
        }
        EXPECT_EQ(c.label ? label() : list(), c.layout);
        EXPECT_EQ(c.label ? state.Configuration.LabelLastItem : state.Configuration.ListLastItem,
                  static_cast<int>(c.items.size()) - 1);
    }
}

// --- The label display ---------------------------------------------------------------------

TEST_F(CustomDisplay, LabelOffersSixItems) {
    ResetLabel(state);
    EXPECT_EQ(cmdCustom_Click(state, Album), Rebuild::None);
    EXPECT_EQ(cmdCustom_Click(state, Type), Rebuild::None);
    EXPECT_FALSE(state.CustomActive);

    EXPECT_EQ(cmdCustom_Click(state, Title), Rebuild::Label);
    EXPECT_EQ(state.PrintCaption, "PRINT\ncustom label");
    EXPECT_EQ(state.PrintKind, PrintLayout::List);
    EXPECT_EQ(label(), (Layout{30, 8, 0, 32}));
    EXPECT_EQ(state.Configuration.LabelLineWidth, 70);
    EXPECT_EQ(state.Configuration.LabelLastItem, 0);
    EXPECT_EQ(state.Configuration.LabelOrder[0], Title);
    // The list display is not touched.
    EXPECT_EQ(state.Configuration.ListWidth, DisplayConfiguration::delivered().ListWidth);

    click({Artist, Time, Rating, Album});
    EXPECT_EQ(label(), (Layout{63, 8, 0, 32}));
    click({Genre});
    EXPECT_EQ(label(), (Layout{74, 6, 7, 42}));
    EXPECT_EQ(state.Configuration.LabelLineWidth, 94);
    click({Year});
    // A click that adds nothing (an item already shown, or one the label cannot take) leaves
    // the label printing as a label.
    state.PrintKind = PrintLayout::Label;
    click({Type, Title});
    EXPECT_EQ(state.PrintKind, PrintLayout::Label);
    EXPECT_EQ(label(), (Layout{79, 6, 7, 42}));
    EXPECT_EQ(state.Configuration.LabelLastItem, 5);
    const std::array<QString, 8> captions = {"Title", "Artist", "Time", "Rating",
                                             "Genre", "Year",   " ",    " "};
    EXPECT_EQ(state.SortCaptions, captions);
}

TEST_F(CustomDisplay, EveryDisplayItMakesIsASoundSettingsFile) {
    for (const bool onLabel : {false, true}) {
        for (unsigned items = 1; items < 1U << ItemCount; ++items) {
            onLabel ? ResetLabel(state) : ResetList(state);
            for (int item = 0; item < ItemCount; ++item) {
                if ((items & 1U << item) != 0) {
                    cmdCustom_Click(state, item);
                }
            }
            QString error;
            ASSERT_EQ(DisplaySettingsFile::parse(
                          DisplaySettingsFile::serialize(state.Configuration), &error),
                      state.Configuration)
                << error.toStdString();
        }
    }
}

} // namespace
