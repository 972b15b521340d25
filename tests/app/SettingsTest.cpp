#include "AppTestSupport.h"
#include "guide/Guide.h"
#include "views/DisplaySettingsFile.h"

#include <QCoreApplication>

using namespace corvane;
using namespace corvane::app;
using app::test::FormTest;

namespace {

// Title, Year, Time on the list; Title, Genre on the label: not the delivered display.
QList<int> customValues() {
    return {11, 2, 52, 54, 2, 0, 5, 2, 3, 4, 5, 6, 7, 8, 0, 41, 32, 70, 1, 0, 4, 2, 3, 4, 5, 6, 7};
}

QByteArray lines(const QList<int>& values) {
    QByteArray text;
    for (int v : values) {
        text += QByteArray::number(v) + "\r\n";
    }
    return text;
}

struct DisplaySettings : FormTest {
    // A window whose saved display is the custom one, with a playlist selected.
    std::unique_ptr<Form1> customForm() {
        write(userSettings, lines(customValues()));
        auto form = loadedForm();
        form->CmdPlaylists_Click();
        form->List1_Click(lineOf(*form, "Road Trip"));
        return form;
    }
};

struct BadFile {
    const char* what;
    QByteArray text;
    const char* said; // a word of the status line
};

QList<int> with(int line, int value) {
    QList<int> v = customValues();
    v[line - 1] = value;
    return v;
}

} // namespace

TEST_F(DisplaySettings, SavedCustomDisplayComesBackOnResetPlaylistAndRestart) {
    // The real place: $XDG_CONFIG_HOME/corvane/Quembly.txt.
    const ScopedVariable config("XDG_CONFIG_HOME", dir.filePath("xdg").toUtf8());
    const views::DisplaySettingsFile standard = views::DisplaySettingsFile::standard();
    ASSERT_EQ(standard.userPath(), dir.filePath("xdg/corvane/Quembly.txt"));
    const auto formOnStandardFile = [&] {
        auto form =
            std::make_unique<Form1>(library, views::DisplaySettingsFile::standard(), screen);
        form->Form_Load();
        return form;
    };

    auto form = formOnStandardFile();
    form->CmdPlaylists_Click();
    form->List1_Click(lineOf(*form, "Road Trip"));
    for (int item : {views::Genre, views::Title, views::Time}) {
        form->cmdCustom_Click(item);
    }
    const views::DisplayConfiguration custom = form->state().Configuration;
    ASSERT_NE(custom, views::DisplayConfiguration::delivered());
    form->cmdSave_Click();
    EXPECT_EQ(form->statusLine(), QStringLiteral("Display saved as the default"));
    EXPECT_EQ(read(standard.userPath()), views::DisplaySettingsFile::serialize(custom));

    // More items, unsaved: Reset throws them away and restores the saved display.
    form->cmdCustom_Click(views::Rating);
    ASSERT_NE(form->state().Configuration, custom);
    form->cmdReset_Click();
    EXPECT_EQ(form->statusLine(), QStringLiteral("Default display restored"));
    EXPECT_EQ(form->state().Configuration, custom);
    EXPECT_FALSE(form->state().CustomActive);
    EXPECT_EQ(form->control("cmdSort", 0).caption, QStringLiteral("Genre"));
    EXPECT_EQ(form->control("cmdSort", 3).caption, QString());
    form->cmdCustom_Click(views::Rating);
    form->CmdSelected_Click();
    EXPECT_EQ(form->state().Configuration, custom);

    // The next start loads it.
    EXPECT_EQ(formOnStandardFile()->state().Configuration, custom);
}

TEST_F(DisplaySettings, SaveInTheLabelAlsoWritesTheListAsItStands) {
    auto form = customForm();
    form->cmdCustom_Click(views::Artist); // a custom list: Artist alone
    const auto customList = form->state().Configuration;
    form->cmdCDLabel_Click(); // throws the custom list away
    form->cmdCustom_Click(views::Year);
    form->cmdSave_Click();
    QString error;
    const auto saved = views::DisplaySettingsFile::parse(read(userSettings), &error);
    ASSERT_TRUE(saved) << error.toStdString();
    EXPECT_EQ(saved->LabelLastItem, 0);
    EXPECT_EQ(saved->LabelOrder[0], views::Year);
    EXPECT_NE(saved->ListOrder, customList.ListOrder);
    EXPECT_EQ(saved->ListOrder[1], views::Year); // the saved list, Title, Year, Time
}

// A bad file changes nothing, and the status line says which line holds what, what it may hold
// and how to go on, through every other click, until the display is saved or reset.
TEST_F(DisplaySettings, ABadFileChangesNothingAndIsSaidUntilSavedOrReset) {
    // Every kind of fault is the settings file's own test's: here, one of each way to go on.
    const std::vector<BadFile> bad = {
        {"saved over", lines(with(3, 900)),
         "line 3 holds 900: it is the list's width, which may be a whole number from 0 to 200"},
        {"mended", lines(customValues().mid(0, 26)),
         "it holds 26 values, not 27: value 27 is missing, the label's order, place 8, which may "
         "be a whole number from 0 to 7"},
        {"deleted", QByteArray("\x7f\x45\x4c\x46\x02\x01", 6),
         "line 1 holds \"?ELF??\", not a whole number: it is the list's font size, which may be "
         "a whole number from 4 to 72"},
    };
    for (const BadFile& b : bad) {
        SCOPED_TRACE(b.what);
        auto form = customForm();
        const views::DisplayConfiguration before = form->state().Configuration;
        write(userSettings, b.text);
        const QString said =
            QStringLiteral("The display settings %1 were not loaded: %2; press Save "
                           "in the window, or delete %1 to use the default display")
                .arg(userSettings, QLatin1String(b.said));
        for (int round = 0; round < 3; ++round) {
            if (round == 0) {
                form->cmdReset_Click();
            } else if (round == 1) {
                form->CmdSelected_Click();
            } else {
                form->cmdCDLabel_Click();
            }
            EXPECT_EQ(form->state().Configuration, before);
            EXPECT_EQ(form->statusLine().toStdString(), said.toStdString());
            EXPECT_GT(form->listFontSize(), 0.0F);
        }
        // Other clicks leave it said.
        form->CmdSelected_Click();
        form->cmdSort_Click(1);
        form->cmdMinorSort_Click();
        form->CmdPlaylists_Click();
        form->List1_Click(lineOf(*form, "Road Trip"));
        EXPECT_EQ(form->statusLine().toStdString(), said.toStdString());
        // The sort buttons still name the display in force.
        EXPECT_EQ(form->control("cmdSort", 1).caption, QStringLiteral("Year"));

        if (QLatin1String(b.what) == QLatin1String("saved over")) {
            form->cmdSave_Click();
            EXPECT_EQ(form->statusLine(), QStringLiteral("Display saved as the default"));
            EXPECT_EQ(read(userSettings), views::DisplaySettingsFile::serialize(before));
        } else {
            // The file was closed: mended or gone, it loads again.
            if (QLatin1String(b.what) == QLatin1String("mended")) {
                write(userSettings, lines(customValues()));
            } else {
                QFile::remove(userSettings);
            }
            form->cmdReset_Click();
            EXPECT_EQ(form->statusLine(), QStringLiteral("Default display restored"));
        }
        form->CmdPlaylists_Click();
        EXPECT_EQ(form->statusLine(), QStringLiteral("library note"));
    }
}

TEST_F(DisplaySettings, ABadFileAtStartUpLeavesTheDeliveredDisplay) {
    write(userSettings, lines(with(1, 0)));
    auto form = loadedForm();
    EXPECT_EQ(form->state().Configuration, views::DisplayConfiguration::delivered());
    EXPECT_TRUE(form->statusLine().contains(QStringLiteral("font size")));
    EXPECT_EQ(form->state().List1.lines(), guide::GuideLines());
}

// A save that cannot write (where the settings folder should be there is a file; the disk is
// full) says so with why, and leaves the earlier file whole and nothing beside it.
TEST_F(DisplaySettings, SaveThatCannotWriteLeavesTheEarlierFileWholeAndSaysSo) {
    const QByteArray earlier = lines(customValues());
    auto form = customForm();
    form->cmdCustom_Click(views::Rating);
    const QString folder = QFileInfo(userSettings).absolutePath();
    QDir(folder).removeRecursively();
    write(folder, earlier);
    form->cmdSave_Click();
    EXPECT_TRUE(form->statusLine().startsWith(QStringLiteral("The display was not saved")))
        << form->statusLine().toStdString();
    EXPECT_TRUE(form->statusLine().contains(userSettings));
    EXPECT_EQ(read(folder), earlier);

    const test::FullFolder full;
    if (!full.why.isEmpty()) {
        GTEST_SKIP() << full.why.toStdString();
    }
    userSettings = full.path + QStringLiteral("/Quembly.txt");
    form = customForm();
    full.fill();
    form->cmdCustom_Click(views::Rating);
    form->cmdSave_Click();
    EXPECT_TRUE(form->statusLine().startsWith(QStringLiteral("The display was not saved")))
        << form->statusLine().toStdString();
    EXPECT_TRUE(form->statusLine().contains(QStringLiteral("No space left on device")));
    EXPECT_EQ(read(userSettings), earlier);
    EXPECT_EQ(QDir(full.path).entryList(QDir::Files).size(), 2); // and the filler
}

TEST(DeliveredSettings, TheDeliveredFileIsTheBuiltInDefault) {
    QFile file(QStringLiteral(CORVANE_SOURCE_DIR "/data/Quembly.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              views::DisplaySettingsFile::serialize(views::DisplayConfiguration::delivered()));
}
