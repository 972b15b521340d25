#include "app/Headless.h"

#include "AppTestSupport.h"
#include "FailingSong.h"
#include "library/files/FileLibrary.h"

#include <QBuffer>

using namespace corvane;
using namespace corvane::app;

namespace {

struct Headless : test::FormTest {
    std::unique_ptr<Form1> form;
    QByteArray output;

    HeadlessResult run(const QStringList& arguments, Form1::PrinterFactory printers = {},
                       std::shared_ptr<const library::Player> player = nullptr) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
        form = makeForm(player ? player : library, std::move(printers));
        output.clear();
        QBuffer buffer(&output);
        buffer.open(QIODevice::WriteOnly);
        return runHeadless(*form, parsed.commandLine, buffer);
    }
};

// A library whose list, or else whose playlists, fail: as one whose server went away. With
// `partly`, a playlist's songs are given all the same, with the failure as the array's error (a
// store whose song database is damaged, its songs read from their files).
class FailingLibrary final : public library::Player,
                             public library::PlaylistCollection,
                             public std::enable_shared_from_this<FailingLibrary> {
public:
    FailingLibrary(std::shared_ptr<const library::PlaylistCollection> library, bool listFails,
                   bool partly = false)
        : library_(std::move(library))
        , listFails_(listFails)
        , partly_(partly) {}

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const library::PlaylistCollection> playlistCollection() const override {
        return shared_from_this();
    }
    library::PlaylistArray getAll() const override {
        return listFails_ ? fail() : library_->getAll();
    }
    library::PlaylistArray getByName(const QString& name) const override {
        if (!partly_) {
            return fail();
        }
        const library::PlaylistArray found = library_->getByName(name);
        std::vector<std::shared_ptr<const library::Playlist>> playlists;
        for (int i = 0; i < found.count(); ++i) {
            playlists.push_back(found.item(i));
        }
        return library::PlaylistArray(std::move(playlists), {}, Said);
    }

    static inline const QString Said = QStringLiteral("MPD at pi:6600: the server went away");

private:
    [[noreturn]] static library::PlaylistArray fail() {
        throw library::LibraryError(Said.toStdString());
    }

    std::shared_ptr<const library::PlaylistCollection> library_;
    bool listFails_;
    bool partly_;
};

} // namespace

// A library whose list or playlists fail shows the heading lines alone; one that reads a playlist
// in part shows what it read. The window, its label and a run say why in one line.
TEST_F(Headless, ALibraryFailingShowsWhatItReadAndSaysWhyInOneLine) {
    for (const auto& [listFails, partly] :
         {std::pair{true, false}, std::pair{false, false}, std::pair{false, true}}) {
        SCOPED_TRACE(testing::Message() << listFails << partly);
        const auto failing = std::make_shared<FailingLibrary>(library, listFails, partly);
        auto window = makeForm(failing);
        window->Form_Load();
        window->CmdPlaylists_Click();
        if (!listFails) {
            window->List1_Click(4);
            EXPECT_TRUE(partly || window->state().List1.List(1).simplified() ==
                                      QStringLiteral("PLAYLIST: Road Trip Total Time 0:00:00"));
        }
        EXPECT_EQ(window->statusLine(), FailingLibrary::Said);
        if (partly) {
            EXPECT_GT(window->state().List1.ListCount(), 4);
        } else {
            EXPECT_EQ(window->state().List1.ListCount(), 4); // the heading lines alone
        }
        if (!listFails) {
            window->cmdCDLabel_Click();
            EXPECT_EQ(window->statusLine(), FailingLibrary::Said);
            EXPECT_EQ(window->state().List1.ListCount() > 4, partly);
        }

        const HeadlessResult r = run({"--playlist", "Road Trip"}, {}, failing);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.message, FailingLibrary::Said);
        EXPECT_EQ(output.count('\n'), partly ? window->state().List1.ListCount() : 0);
        EXPECT_EQ(output.isEmpty(), !partly);
    }
}

// Each run leaves the view and its state as the window's after the same clicks: the list of
// playlists (in UTF-8) as LIST ALL PLAYLISTS, a playlist as a click on its line (its name exactly
// as given), items reset and then their buttons, one sort key clicked once or twice, several
// sorted minor from the last to the first, a label sorted in the list first.
TEST_F(Headless, ShowsWhatTheWindowShowsAfterTheSameClicks) {
    library->addPlaylist(QStringLiteral("  Road Trip")).add(test::song("Other", "Who", 10));
    library->addPlaylist(QStringLiteral("日本の歌 🎵"));
    using views::Artist, views::Rating, views::Title;
    const std::pair<QStringList, std::function<void(Form1&)>> cases[] = {
        {{"--list-playlists"}, [](Form1&) {}},
        {{"--playlist", "  Road Trip"}, [](Form1& w) { w.List1_Click(6); }},
        {{"--playlist", "Road Trip", "--items", "year,title"},
         [](Form1& w) {
             w.List1_Click(4), w.cmdReset_Click();
             w.cmdCustom_Click(views::Year), w.cmdCustom_Click(Title);
         }},
        {{"--playlist", "Road Trip", "--sort", "Artist"},
         [](Form1& w) { w.List1_Click(4), w.cmdSort_Click(1); }},
        {{"--playlist", "Road Trip", "--sort", "artist:desc"},
         [](Form1& w) { w.List1_Click(4), w.cmdSort_Click(1), w.cmdSort_Click(1); }},
        {{"--playlist", "Road Trip", "--sort", "Rating:desc,Title"},
         [](Form1& w) {
             w.List1_Click(4), w.cmdMinorSort_Click(), w.cmdSort_Click(0);
             w.cmdSort_Click(3), w.cmdSort_Click(3);
         }},
        {{"--playlist", "Road Trip", "--label", "--sort", "Title", "--items", "Title,Rating"},
         [](Form1& w) {
             w.List1_Click(4), w.cmdMinorSort_Click(), w.cmdSort_Click(0), w.cmdCDLabel_Click();
             w.cmdReset_Click(), w.cmdCustom_Click(Title), w.cmdCustom_Click(Rating);
         }},
    };
    for (const auto& [arguments, clicks] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        EXPECT_EQ(run(arguments).exitCode, 0);
        auto window = loadedForm();
        window->CmdPlaylists_Click();
        clicks(*window);
        const views::FormState& s = form->state();
        const views::FormState& w = window->state();
        EXPECT_EQ(QString::fromUtf8(output), w.List1.lines().join(u'\n') + u'\n');
        EXPECT_EQ(std::tie(s.SelectedPlaylist, s.PrintCaption, s.LastSort, s.MinorSortOn),
                  std::tie(w.SelectedPlaylist, w.PrintCaption, w.LastSort, w.MinorSortOn));
        EXPECT_TRUE(s.DisplayKind == w.DisplayKind && s.Configuration == w.Configuration);
    }
    // The label kept the sorted order: Apple before The Zebra.
    EXPECT_LT(output.indexOf("Apple"), output.indexOf("The Zebra"));
    // Items chosen on the command line are never saved.
    EXPECT_FALSE(QFile::exists(userSettings));
}

// Exit 2 with nothing shown for an unknown playlist (the heading is none either) or a sort key
// the display does not show; exit 1 for a failed printout.
TEST_F(Headless, FailuresSayWhyAndExitTwoOrOne) {
    const auto refusing = [] { return std::unique_ptr<print::Printer>(new test::RefusingPrinter); };
    const std::tuple<QStringList, Form1::PrinterFactory, int, QString> cases[] = {
        {{"--playlist", "LIST OF PLAYLISTS"}, {}, 2, "no playlist named"},
        {{"--playlist", "Road Trip", "--items", "Title", "--sort", "Artist"}, {}, 2, "Artist"},
        {{"--list-playlists", "--print"}, refusing, 1, "out of paper"},
    };
    for (const auto& [arguments, printers, exitCode, said] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const HeadlessResult r = run(arguments, printers);
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_TRUE(r.message.contains(said)) << r.message.toStdString();
        EXPECT_TRUE(output.isEmpty());
    }
}

TEST_F(Headless, SongsThatCouldNotBeReadAreAWarningAfterTheSameOutput) {
    auto unread = [](const char* title, const char* why) {
        return std::make_shared<library::test_support::FailingSong>(
            std::make_shared<library::MemorySong>(test::song(title, {}, 0)),
            QSet<QString>{"durationString", "Artist"}, why);
    };
    library->addPlaylist(QStringLiteral("Lost"))
        .add(unread("x", "/music/x.flac: not an audio file"))
        .add(test::song("Fine", "Ann", 10))
        .add(unread("y", "/music/y.mp3: no such file"));
    const QString said = "2 songs could not be read (first: /music/x.flac: not an audio file)";
    const HeadlessResult r = run({"--playlist", "Lost", "--sort", "Title,Time"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.message, said);
    EXPECT_EQ(output.count('\n'), 4 + 3); // every song shown all the same
    // After a settings file's warning, and with a printout that went well: through the printer,
    // nothing on standard output.
    write(userSettings, "11\r\n2\r\n");
    const HeadlessResult warned =
        run({"--playlist", "Lost", "--label", "--print-text", "-"}, recordingPrinters());
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_EQ(printersMade, 1);
    EXPECT_TRUE(output.isEmpty());
    ASSERT_FALSE(printed.pages().isEmpty());
    EXPECT_TRUE(printed.pages().first().join('\n').contains(QStringLiteral("Fine")));
    EXPECT_TRUE(warned.message.contains(userSettings)) << warned.message.toStdString();
    EXPECT_TRUE(warned.message.endsWith("; " + said)) << warned.message.toStdString();
    // An empty label is said too, after the settings file's warning.
    library->addPlaylist(QStringLiteral("Empty"));
    const HeadlessResult empty =
        run({"--playlist", "Empty", "--label", "--print-text", "-"}, recordingPrinters());
    EXPECT_TRUE(empty.message.startsWith(warned.message.first(warned.message.indexOf(u';'))));
    EXPECT_TRUE(empty.message.endsWith("; the display is empty: nothing to print"))
        << empty.message.toStdString();
}

TEST_F(Headless, WhatTheLibraryNotedOfAListingIsAWarning) {
    const QString music = dir.filePath(QStringLiteral("music"));
    QDir().mkpath(music);
    QString error;
    const auto player = library::openFileLibrary(music, &error);
    ASSERT_TRUE(player) << error.toStdString();
    HeadlessResult r = run({"--list-playlists"}, {}, player);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(output, "\n\n       LIST OF PLAYLISTS\n\n");
    EXPECT_TRUE(r.message.startsWith("no playlist found in " + music)) << r.message.toStdString();

    // A note of the playlist itself, in the list and again when it is shown: said once.
    QByteArray deep("<playlist><title>Deep</title>");
    deep += QByteArray("<a xml:base=\"a/\">").repeated(70) + "<trackList/>" +
            QByteArray("</a>").repeated(70) + "</playlist>";
    write(music + "/Deep.xspf", deep);
    r = run({"--playlist", "Deep"}, {}, player);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(output.contains("PLAYLIST: Deep"));
    EXPECT_TRUE(r.message.startsWith(music + "/Deep.xspf: xml:base")) << r.message.toStdString();
    EXPECT_FALSE(r.message.contains(';'));
}

// A name but for letter case (under NFC) is that playlist; else the closest names are offered,
// or, in a library without playlists, what was read. Items and sort keys alike. Exit 2 stays.
TEST_F(Headless, NamesAreForgivenOrAnsweredWithTheClosestOnes) {
    for (const char* name : {"Set 005", "Set 006", "Set 050", "Set 500", "JAZZ", "Caf\u00e9"}) {
        library->addPlaylist(QString::fromUtf8(name));
    }
    const QString items = QStringLiteral(" (items: Title, Artist, Time, Rating, Genre, Year, "
                                         "Album, Type)");
    const std::tuple<QStringList, int, QString> cases[] = {
        {{"--playlist", "set 005"}, 0, "PLAYLIST: Set 005"},
        {{"--playlist", "CAFE\u0301"}, 0, "PLAYLIST: Caf\u00e9"},
        {{"--playlist", "Set 05"},
         2,
         "no playlist named \"Set 05\"; did you mean \"Set 005\", \"Set 050\" or \"Set 006\"?"},
        {{"--playlist", "jazz"},
         2,
         "no playlist named \"jazz\"; did you mean \"Jazz\" or \"JAZZ\"?"},
        {{"--playlist", "Road"}, 2, "no playlist named \"Road\"; did you mean \"Road Trip\"?"},
        {{"--playlist", "Polka"},
         2,
         "no playlist named \"Polka\" (--list-playlists lists the 8 "
         "playlists)"},
        {{"--playlist", "Jazz", "--items", "Title,Artst"},
         2,
         "unknown item \"Artst\" in --items: did you mean \"Artist\"?" + items},
        {{"--playlist", "Jazz", "--sort", "rate:desc"},
         2,
         "unknown sort key \"rate\" in --sort: did you mean \"Rating\"?" + items},
        {{"--playlist", "Jazz", "--sort", "Tempo"},
         2,
         "unknown sort key \"Tempo\" in --sort" + items},
    };
    for (const auto& [arguments, exitCode, said] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        if (!parsed.error.isEmpty()) {
            EXPECT_EQ(exitCode, 2); // as main() exits on a usage error
            EXPECT_EQ(parsed.error, said);
            continue;
        }
        const HeadlessResult r = run(arguments);
        EXPECT_EQ(r.exitCode, exitCode);
        if (exitCode == 0) {
            EXPECT_TRUE(QString::fromUtf8(output).contains(said)) << output.toStdString();
        } else {
            EXPECT_EQ(r.message, said);
        }
    }

    form = makeForm(std::make_shared<library::MemoryLibrary>());
    QBuffer buffer(&output);
    buffer.open(QIODevice::WriteOnly);
    const HeadlessResult none =
        runHeadless(*form, parseCommandLine({"--playlist", "x"}).commandLine, buffer,
                    QStringLiteral("playlist files in /music"));
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.message, QStringLiteral("no playlist named \"x\": the library has no playlists "
                                           "(read: playlist files in /music)"));
}
