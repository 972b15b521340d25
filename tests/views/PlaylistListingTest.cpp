#include "views/PlaylistListing.h"

#include "library/MemoryLibrary.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::views;

namespace {

struct ListingTest : ::testing::Test {
    QTemporaryDir dir;
    std::shared_ptr<library::MemoryLibrary> library = std::make_shared<library::MemoryLibrary>();
    FormState state{DisplaySettingsFile(dir.filePath("user/Quembly.txt"), {})};

    QStringList list() {
        state.Playlists = library;
        state.List1.Clear();
        ListPlaylists(state);
        return state.List1.lines();
    }
};

const QStringList Heading = {"", "", "       LIST OF PLAYLISTS", ""};

} // namespace

// A new listing, even of no playlists, starts in major-sort mode with no tip.
TEST_F(ListingTest, NoPlaylistsGivesTheFourHeadingLinesAndResetsMinorSortAndTheTip) {
    state.MinorSortOn = true;
    state.MinorSortCaption = caption::MinorSortOn;
    state.Text1 = QStringLiteral("old tip");
    EXPECT_EQ(list(), Heading);
    EXPECT_FALSE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, QStringLiteral("Minor Sort Off"));
    EXPECT_TRUE(state.Text1.isEmpty());
    library = nullptr;
    EXPECT_EQ(list(), Heading);
}

TEST_F(ListingTest, NumbersEveryPlaylistInLibraryOrderAndNamesThemWhole) {
    for (int i = 1; i <= 12; ++i) {
        library->addPlaylist(QStringLiteral("List %1").arg(i));
    }
    library->addPlaylist(QStringLiteral("  Leading spaces"));
    library->addPlaylist(QStringLiteral("Caf\u00e9 \u6771\u4eac \U0001F3B8 ") + QString(60, u'x'));
    const QStringList lines = list();
    ASSERT_EQ(lines.size(), 4 + 14);
    EXPECT_EQ(lines.mid(0, 4), Heading);
    EXPECT_EQ(lines[4], QStringLiteral("   1   List 1"));
    EXPECT_EQ(lines[15], QStringLiteral("  12   List 12"));
    EXPECT_EQ(lines[16], QStringLiteral("  13     Leading spaces"));
    EXPECT_EQ(lines[17].mid(7), library->getAll().item(13)->name());
}

TEST_F(ListingTest, FiveDigitNumbersStillLeaveTheNameAfterSevenCharacters) {
    for (int i = 0; i < 10000; ++i) {
        library->addPlaylist(QStringLiteral("P"));
    }
    const QStringList lines = list();
    EXPECT_EQ(lines[4 + 9998], QStringLiteral("9999   P"));
    EXPECT_EQ(lines[4 + 9999], QStringLiteral("10000  P"));
}
