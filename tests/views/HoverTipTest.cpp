#include "views/HoverTip.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::views;

namespace {

// Lists 300 x 200 pixels with rows 20 pixels tall, at 15 twips per pixel.
constexpr float Tpp = 15.0F;

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
};

} // namespace

// The whole playlist line under the pointer (below the last line, inside the list: the last
// line; scrolled, the rows from the top one on); the heading, empty lines and outside the list
// (the scroll bar, below it) clear the tip; and outside the list of playlists the tip stays as
// it was.
TEST_F(HoverTipTest, ShowsThePlaylistLineUnderThePointerOnly) {
    const struct {
        bool playlistsShowing;
        int x, y, top;
        const char* tip;
    } cases[] = {
        {true, 10, 85, 0, "   1   Road Trip"},
        {true, 10, 105, 0, "   2   Workout"},
        {true, 10, 190, 0, "   2   Workout"},
        {true, 10, 45, 2, "   1   Road Trip"},
        {true, 10, 5, 0, ""},
        {true, 10, 45, 0, ""},
        {true, 305, 85, 0, ""},
        {true, 10, 250, 0, ""},
        {false, 10, 85, 0, "old"},
        {false, 305, 85, 0, "old"},
    };
    for (const auto& c : cases) {
        state.PlaylistsShowing = c.playlistsShowing ? 1 : 0;
        state.Text1 = QStringLiteral("old");
        List1_MouseMove(state, ListBoxGeometry{300, 200, 20, c.top}, static_cast<float>(c.x) * Tpp,
                        static_cast<float>(c.y) * Tpp, Tpp, Tpp);
        EXPECT_EQ(state.Text1, QString::fromUtf8(c.tip)) << c.x << ", " << c.y << ", " << c.top;
    }
}
