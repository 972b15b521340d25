#include "app/Headless.h"

#include "AppTestSupport.h"

#include <QBuffer>

using namespace corvane;
using namespace corvane::app;

namespace {

struct Headless : test::FormTest {
    std::unique_ptr<Form1> form;
    QByteArray output;

    HeadlessResult run(const QStringList& arguments, Form1::PrinterFactory printers = {}) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
        form = makeForm(library, std::move(printers));
        output.clear();
        QBuffer buffer(&output);
        buffer.open(QIODevice::WriteOnly);
        return runHeadless(*form, parsed.commandLine, buffer);
    }

    // What the window shows after the same clicks.
    QByteArray windowText(const std::function<void(Form1&)>& clicks) {
        auto window = loadedForm();
        window->CmdPlaylists_Click();
        clicks(*window);
        QByteArray text;
        for (const QString& line : window->state().List1.lines()) {
            text += line.toUtf8() + '\n';
        }
        return text;
    }
};

} // namespace

TEST_F(Headless, ListsThePlaylistsAsTheWindowDoes) {
    library->addPlaylist(QStringLiteral("日本の歌 🎵"));
    const HeadlessResult r = run({"--list-playlists"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(output, "\n\n       LIST OF PLAYLISTS\n\n   1   Road Trip\n   2   Jazz\n"
                      "   3   日本の歌 🎵\n");
}

TEST_F(Headless, ShowsAPlaylistAsAClickOnItsLine) {
    library->addPlaylist(QStringLiteral("  Road Trip")).add(test::song("Other", "Who", 10));
    EXPECT_EQ(run({"--playlist", "  Road Trip"}).exitCode, 0);
    EXPECT_EQ(output, windowText([](Form1& w) { w.List1_Click(6); }));
    EXPECT_TRUE(output.contains("Other"));
    EXPECT_EQ(form->state().SelectedPlaylist, QStringLiteral("  Road Trip"));
}

TEST_F(Headless, AnUnknownPlaylistIsExitTwo) {
    const HeadlessResult r = run({"--playlist", "Road"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.message, QStringLiteral("no playlist named \"Road\""));
    EXPECT_TRUE(output.isEmpty());
    // The heading is no playlist either.
    EXPECT_EQ(run({"--playlist", "LIST OF PLAYLISTS"}).exitCode, 2);
}

TEST_F(Headless, ItemsAreResetThenTheirButtons) {
    EXPECT_EQ(run({"--playlist", "Road Trip", "--items", "year,title"}).exitCode, 0);
    EXPECT_EQ(output, windowText([](Form1& w) {
                  w.List1_Click(4);
                  w.cmdReset_Click();
                  w.cmdCustom_Click(views::Year);
                  w.cmdCustom_Click(views::Title);
              }));
    EXPECT_EQ(form->state().PrintCaption, QStringLiteral("PRINT\ncustom list"));
    EXPECT_EQ(form->state().Configuration.ListLastItem, 1);
}

TEST_F(Headless, OneSortKeyClicksItsButtonOnceOrTwice) {
    EXPECT_EQ(run({"--playlist", "Road Trip", "--sort", "Artist"}).exitCode, 0);
    EXPECT_EQ(form->state().LastSort, views::Artist);
    EXPECT_FALSE(form->state().MinorSortOn);
    EXPECT_EQ(run({"--playlist", "Road Trip", "--sort", "artist:desc"}).exitCode, 0);
    EXPECT_EQ(form->state().LastSort, views::Artist + 8);
    EXPECT_EQ(output, windowText([](Form1& w) {
                  w.List1_Click(4);
                  w.cmdSort_Click(1);
                  w.cmdSort_Click(1);
              }));
}

TEST_F(Headless, SeveralKeysSortMinorFromTheLastToTheFirst) {
    EXPECT_EQ(run({"--playlist", "Road Trip", "--sort", "Rating:desc,Title"}).exitCode, 0);
    EXPECT_TRUE(form->state().MinorSortOn);
    EXPECT_EQ(form->state().LastSort, views::Rating + 8);
    EXPECT_EQ(output, windowText([](Form1& w) {
                  w.List1_Click(4);
                  w.cmdMinorSort_Click();
                  w.cmdSort_Click(0);
                  w.cmdSort_Click(3);
                  w.cmdSort_Click(3);
              }));
}

TEST_F(Headless, AKeyTheDisplayDoesNotShowIsExitTwo) {
    const HeadlessResult r =
        run({"--playlist", "Road Trip", "--items", "Title", "--sort", "Artist"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.message.contains(QStringLiteral("Artist"))) << r.message.toStdString();
    EXPECT_TRUE(output.isEmpty());
}

TEST_F(Headless, ALabelIsSortedInTheListFirst) {
    EXPECT_EQ(
        run({"--playlist", "Road Trip", "--label", "--sort", "Title", "--items", "Title,Rating"})
            .exitCode,
        0);
    EXPECT_EQ(form->state().DisplayKind, views::Display::Label);
    EXPECT_EQ(form->state().PrintCaption, QStringLiteral("PRINT\ncustom label"));
    EXPECT_EQ(output, windowText([](Form1& w) {
                  w.List1_Click(4);
                  w.cmdMinorSort_Click();
                  w.cmdSort_Click(0);
                  w.cmdCDLabel_Click();
                  w.cmdReset_Click();
                  w.cmdCustom_Click(views::Title);
                  w.cmdCustom_Click(views::Rating);
              }));
    // Apple before The Zebra: the label kept the sorted order.
    EXPECT_LT(output.indexOf("Apple"), output.indexOf("The Zebra"));
}

TEST_F(Headless, PrintsThroughThePrinter) {
    EXPECT_EQ(run({"--list-playlists", "--print-text", "-"}, recordingPrinters()).exitCode, 0);
    EXPECT_EQ(printersMade, 1);
    EXPECT_TRUE(output.isEmpty());
    ASSERT_FALSE(printed.pages().isEmpty());
    EXPECT_TRUE(printed.pages().first().join('\n').contains(QStringLiteral("Road Trip")));
}

TEST_F(Headless, AFailedPrintoutIsExitOne) {
    const HeadlessResult r = run({"--list-playlists", "--print"}, [] {
        return std::unique_ptr<print::Printer>(new test::RefusingPrinter);
    });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.message.contains(QStringLiteral("out of paper"))) << r.message.toStdString();
}

TEST_F(Headless, NeverWritesTheSettingsFile) {
    EXPECT_EQ(run({"--playlist", "Road Trip", "--items", "Genre"}).exitCode, 0);
    EXPECT_EQ(run({"--playlist", "Road Trip", "--label", "--items", "Genre"}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(userSettings));
}

TEST_F(Headless, ABadSettingsFileIsAWarningAndTheDefaultStands) {
    write(userSettings, "11\r\n2\r\n");
    const HeadlessResult r = run({"--list-playlists"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.message.contains(userSettings)) << r.message.toStdString();
    EXPECT_TRUE(output.contains("Road Trip"));
}
