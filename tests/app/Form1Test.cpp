#include "AppTestSupport.h"
#include "guide/Guide.h"

using namespace corvane;
using namespace corvane::app;
using app::test::FormTest;

namespace {

const QStringList& guideLines() {
    return guide::GuideLines();
}

using StartUp = FormTest;
using Guards = FormTest;
using PlaylistList = FormTest;
using ListClick = FormTest;
using PrintButton = FormTest;

} // namespace

TEST_F(StartUp, OpensOnTheGuideWithNothingSelectedAndSetsTheCaptions) {
    const auto form = loadedForm();
    const views::FormState& s = form->state();
    EXPECT_EQ(s.List1.lines(), guideLines());
    EXPECT_EQ(s.PrintCaption, QStringLiteral("PRINT\nuser's guide"));
    EXPECT_EQ(s.PrintKind, views::PrintLayout::Guide);
    EXPECT_EQ(s.DisplayKind, views::Display::List);
    EXPECT_FALSE(s.CustomActive);
    EXPECT_EQ(s.PlaylistsShowing, 0);
    EXPECT_TRUE(s.SelectedPlaylist.isEmpty());
    EXPECT_TRUE(s.SortGroupVisible);
    // No previous sort: the first click on a sort button sorts ascending, Title included.
    EXPECT_EQ(s.LastSort, -1);
    EXPECT_EQ(s.SortRequest, -1);
    EXPECT_TRUE(s.Playlists != nullptr);
    // With no settings file at all the delivered display is in force, its items on the sort
    // buttons.
    EXPECT_EQ(s.Configuration, views::DisplayConfiguration::delivered());
    const std::array<QString, 8> sortCaptions = {"Title", "Artist", "Time", "Rating",
                                                 "",      "",       "",     ""};
    EXPECT_EQ(s.SortCaptions, sortCaptions);
    // 11 x ScaleX / 1.44 at ScaleX 1.28.
    EXPECT_FLOAT_EQ(form->listFontSize(), 11.0F * 1.28F / 1.44F);
    EXPECT_EQ(WindowCaption, QStringLiteral("Corvane - version 2.3.1"));
    EXPECT_EQ(form->control("Label1").caption,
              QStringLiteral("Selected Playlist Sort\nAscending/Descending"));
    EXPECT_EQ(form->control("Label3").caption, QStringLiteral("Custom Display"));
    EXPECT_EQ(form->control("cmdCDLabel").caption, QStringLiteral("LABEL\nCD CASE"));
    EXPECT_EQ(form->control("CmdPlaylists").caption, QStringLiteral("LIST ALL\nPLAYLISTS"));
    EXPECT_EQ(form->control("cmdPrint").caption, s.PrintCaption);
    EXPECT_EQ(form->control("cmdMinorSort").caption, QStringLiteral("Minor Sort Off"));
    EXPECT_EQ(form->control("cmdSort", 0).caption, QStringLiteral("Title"));
    EXPECT_EQ(form->control("cmdCustom", 7).caption, QStringLiteral("Type"));
    EXPECT_EQ(form->control("cmdWebSite").caption.split('\n'),
              (QStringList{"Compliments of", guide::WebAddress, "CLICK HERE TO:",
                           "1)Check for latest version", "2)Check out the latest ads"}));
}

TEST_F(StartUp, WithoutALibraryStillEndsOnTheGuideAndSaysWhy) {
    auto form = makeForm(nullptr);
    form->Form_Load();
    EXPECT_EQ(form->state().List1.lines(), guideLines());
    EXPECT_EQ(form->statusLine(), QStringLiteral("library note"));
    form->CmdPlaylists_Click();
    EXPECT_EQ(form->state().List1.ListCount(), 4);
    EXPECT_EQ(form->statusLine(), QStringLiteral("library note"));
}

TEST_F(Guards, NothingSelectedMakesItemMinorSortAndSaveDoNothing) {
    auto form = loadedForm();
    for (int round = 0; round < 3; ++round) {
        if (round == 1) {
            form->CmdPlaylists_Click(); // the listing empties the selection
        } else if (round == 2) {
            form->List1_Click(2); // the heading
            EXPECT_EQ(form->state().SelectedPlaylist, QStringLiteral("LIST OF PLAYLISTS"));
        }
        const QStringList before = form->state().List1.lines();
        form->cmdCustom_Click(0);
        form->cmdMinorSort_Click();
        form->cmdSave_Click();
        EXPECT_FALSE(form->state().CustomActive) << round;
        EXPECT_FALSE(form->state().MinorSortOn) << round;
        EXPECT_EQ(form->state().List1.lines(), before) << round;
        EXPECT_FALSE(QFile::exists(userSettings)) << round;
    }
}

TEST_F(PlaylistList, NumbersEveryPlaylistUnderTheHeading) {
    auto form = loadedForm();
    form->CmdPlaylists_Click();
    const views::FormState& s = form->state();
    EXPECT_EQ(s.List1.lines(), (QStringList{"", "", "       LIST OF PLAYLISTS", "",
                                            "   1   Road Trip", "   2   Jazz"}));
    EXPECT_EQ(s.PrintCaption, QStringLiteral("PRINT\nlist of playlists"));
    EXPECT_EQ(s.PlaylistsShowing, 1);
    EXPECT_EQ(s.PrintKind, views::PrintLayout::List);
    EXPECT_FLOAT_EQ(form->listFontSize(), 1.28F * 11.0F / 1.28F);
}

TEST_F(ListClick, SelectsAPlaylistOfAnyNameExactly) {
    const QStringList names = {QStringLiteral("  leading spaces"), QStringLiteral("Café Müller"),
                               QStringLiteral("日本の歌 🎵"),
                               QStringLiteral("A very long playlist name that goes on and on "
                                              "past every column of the display list")};
    for (int i = 0; i < names.size(); ++i) {
        library->addPlaylist(names[i]).add(
            test::song(QStringLiteral("Song %1").arg(i), "Artist", 60));
    }
    auto form = loadedForm();
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        form->CmdPlaylists_Click();
        const int line = lineOf(*form, name);
        ASSERT_GE(line, 4) << name.toStdString();
        form->List1_Click(line);
        const views::FormState& s = form->state();
        EXPECT_EQ(s.SelectedPlaylist, name);
        EXPECT_EQ(s.Text1, name);
        EXPECT_EQ(s.PlaylistsShowing, 0);
        EXPECT_EQ(s.PrintCaption, QStringLiteral("PRINT\nselected list"));
        // The view shows that playlist's own song.
        EXPECT_TRUE(s.List1.lines().join('\n').contains(QStringLiteral("Song %1").arg(i)))
            << s.List1.lines().join('\n').toStdString();
    }
}

// A click on no playlist's line shows the guide: on the guide itself it selects nothing, on the
// heading it keeps the tip, on an empty line it empties the selection.
TEST_F(ListClick, OffAPlaylistsLineShowsTheGuide) {
    auto form = loadedForm();
    const views::FormState& s = form->state();
    form->List1_Click(4);
    EXPECT_EQ(s.List1.lines(), guideLines());
    EXPECT_TRUE(s.SelectedPlaylist.isEmpty());

    form->CmdPlaylists_Click();
    const views::ListBoxGeometry geometry{600, 400, 10, 0};
    form->List1_MouseMove(geometry, 15.0F * 5, 15.0F * 45); // over line 4
    ASSERT_EQ(s.Text1, QStringLiteral("   1   Road Trip"));
    form->List1_Click(2);
    EXPECT_EQ(s.SelectedPlaylist, QStringLiteral("LIST OF PLAYLISTS"));
    EXPECT_EQ(s.Text1, QStringLiteral("   1   Road Trip"));
    EXPECT_EQ(s.List1.lines(), guideLines());
    EXPECT_EQ(s.PrintCaption, QStringLiteral("PRINT\nuser's guide"));

    form->CmdPlaylists_Click();
    form->List1_Click(lineOf(*form, "Jazz"));
    form->CmdPlaylists_Click();
    form->List1_Click(0);
    EXPECT_TRUE(s.SelectedPlaylist.isEmpty());
    EXPECT_TRUE(s.Text1.isEmpty());
    EXPECT_EQ(s.List1.lines(), guideLines());
}

TEST_F(ListClick, KeepsACustomDisplay) {
    auto form = loadedForm();
    form->CmdPlaylists_Click();
    form->List1_Click(lineOf(*form, "Road Trip"));
    form->cmdCustom_Click(views::Title);
    form->cmdCustom_Click(views::Year);
    const views::DisplayConfiguration custom = form->state().Configuration;
    ASSERT_EQ(custom.ListLastItem, 1);
    form->CmdPlaylists_Click();
    form->List1_Click(lineOf(*form, "Jazz"));
    EXPECT_EQ(form->state().Configuration, custom);
    EXPECT_EQ(form->state().PrintCaption, QStringLiteral("PRINT\ncustom list"));
    // PLAYLIST throws the custom display away.
    form->CmdSelected_Click();
    EXPECT_EQ(form->state().Configuration, views::DisplayConfiguration::delivered());
    EXPECT_EQ(form->state().PrintCaption, QStringLiteral("PRINT\nselected list"));
}

// The guide goes to a printer of its own; after the web button the list is empty and prints
// nothing, not even a printer.
TEST_F(PrintButton, PrintsWhatTheListShows) {
    auto form = loadedForm();
    form->CmdPrint_Click();
    EXPECT_EQ(printersMade, 1);
    EXPECT_EQ(printed.pages().size(), 2);
    EXPECT_TRUE(printed.operations().endsWith(QStringLiteral("end")));
    EXPECT_TRUE(form->state().StatusLine.isEmpty());

    form->CmdPlaylists_Click();
    form->cmdWebSite_Click();
    EXPECT_EQ(openedUrls, std::vector<QString>{guide::WebAddress});
    EXPECT_EQ(form->state().List1.ListCount(), 0);
    EXPECT_EQ(form->state().PrintCaption, QStringLiteral("PRINT\nlist of playlists"));
    form->CmdPrint_Click();
    EXPECT_EQ(printersMade, 1);
}

// A failure is one line that stays until the next print, which says where its pages went; with
// no printer at all the window is asked for its print dialog.
TEST_F(PrintButton, AFailureIsOneLineThatStaysUntilTheNextPrint) {
    struct Case {
        Form1::PrinterFactory factory;
        bool dialogWanted;
    };
    const Case cases[] = {
        {[]() -> std::unique_ptr<print::Printer> {
             throw print::NoPrinterError("There is no default printer.");
         },
         true},
        {[]() -> std::unique_ptr<print::Printer> {
             return std::make_unique<test::RefusingPrinter>();
         },
         false},
        {[]() -> std::unique_ptr<print::Printer> { return nullptr; }, false},
        {[]() -> std::unique_ptr<print::Printer> { throw std::bad_alloc(); }, false},
    };
    for (const Case& c : cases) {
        auto form = makeForm(library, c.factory);
        form->Form_Load();
        form->CmdPlaylists_Click();
        const QStringList lines = form->state().List1.lines();
        const QString caption = form->state().PrintCaption;
        form->CmdPrint_Click();
        const QString status = form->statusLine();
        EXPECT_TRUE(status.startsWith(QStringLiteral("Nothing was printed")))
            << status.toStdString();
        EXPECT_FALSE(status.contains('\n'));
        EXPECT_EQ(form->takePrintDialogRequest(), c.dialogWanted);
        EXPECT_FALSE(form->takePrintDialogRequest());
        EXPECT_EQ(form->state().List1.lines(), lines);
        EXPECT_EQ(form->state().PrintCaption, caption);
        form->CmdPlaylists_Click();
        EXPECT_EQ(form->statusLine(), status);
        // A print that works says so instead.
        form->printWith([] { return std::make_unique<print::RecordingPrinter>(); });
        EXPECT_EQ(form->statusLine(), QStringLiteral("Recorded 1 page"));
    }
}
