#include "views/HoverTip.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::views;

namespace {

// A list 300 x 200 pixels with rows 20 pixels tall, at 15 twips per pixel.
constexpr float Tpp = 15.0F;
const ListBoxGeometry Geometry{300, 200, 20, 0};

struct HoverTipTest : ::testing::Test {
    QTemporaryDir dir;
    FormState state{DisplaySettingsFile(dir.filePath("Quembly.txt"), {})};

    void SetUp() override {
        for (const char* line : {"", "", "       LIST OF PLAYLISTS", ""}) {
            state.List1.AddItem(line);
        }
        state.List1.AddItem("   1   Road Trip", {LineKind::Playlist, 1});
        state.List1.AddItem("   2   Workout", {LineKind::Playlist, 2});
        state.PlaylistsShowing = 1;
    }
    void moveTo(int xPixels, int yPixels) {
        List1_MouseMove(state, Geometry, static_cast<float>(xPixels) * Tpp,
                        static_cast<float>(yPixels) * Tpp, Tpp, Tpp);
    }
};

} // namespace

TEST_F(HoverTipTest, ItemFromPointPacksRowAndOutsideFlag) {
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, Geometry, 10, 5), 0);
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, Geometry, 10, 85), 4);
    // Below the last row, inside: the nearest (last) row.
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, Geometry, 10, 190), 5);
    // Outside the client area (the scroll bar, below the list): high half 1.
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, Geometry, 305, 85), (1 << 16) | 4);
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, Geometry, 10, 250), (1 << 16) | 5);
    // Scrolled down two rows.
    EXPECT_EQ(ListBoxItemFromPoint(state.List1, ListBoxGeometry{300, 200, 20, 2}, 10, 45), 4);
}

// The whole playlist line under the pointer (below the last line, inside the list: the last
// line); the heading, empty lines and outside clear the tip; and outside the list of playlists
// the tip stays as it was.
TEST_F(HoverTipTest, ShowsThePlaylistLineUnderThePointerOnly) {
    const struct {
        bool playlistsShowing;
        int x, y;
        const char* tip;
    } cases[] = {
        {true, 10, 85, "   1   Road Trip"},
        {true, 10, 105, "   2   Workout"},
        {true, 10, 190, "   2   Workout"},
        {true, 10, 5, ""},
        {true, 10, 25, ""},
        {true, 10, 45, ""},
        {true, 10, 65, ""},
        {true, 305, 85, ""},
        {false, 10, 85, "old"},
        {false, 305, 85, "old"},
    };
    for (const auto& c : cases) {
        state.PlaylistsShowing = c.playlistsShowing ? 1 : 0;
        state.Text1 = QStringLiteral("old");
        moveTo(c.x, c.y);
        EXPECT_EQ(state.Text1, QString::fromUtf8(c.tip)) << c.x << ", " << c.y;
    }
}
