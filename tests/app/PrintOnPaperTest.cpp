#include "AppTestSupport.h"
#include "PdfTestSupport.h"
#include "app/MainWindow.h"
#include "print/QtPrinter.h"

#include <QDateTime>
#include <QListWidget>
#include <QPushButton>
#include <QUuid>
#include <QtTest/QTest>

using namespace corvane;
using namespace corvane::app;
using namespace corvane::print::test_support;

namespace {

struct PrintOnPaper : test::FormTest {};

} // namespace

// PRINT pressed in the window sends the selected list to the default printer: the PDF printer
// that the CI sets up as the default, read back from the file it writes.
TEST_F(PrintOnPaper, PrintInTheWindowPrintsTheListOnTheDefaultPrinter) {
    if (const QString why = whyNoPdfDefaultPrinter(); !why.isEmpty()) {
        GTEST_SKIP() << why.toStdString();
    }

    // More songs than the default display prints on a page.
    const QString name =
        QStringLiteral("Window ") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    library::MemoryPlaylist& playlist = library->addPlaylist(name);
    for (int k = 1; k <= 60; ++k) {
        playlist.add(test::song(QStringLiteral("Song %1").arg(k), QStringLiteral("Artist"), 200));
    }
    auto form = makeForm(library, [] { return print::makeDefaultPrinter(); });
    form->Form_Load();
    MainWindow window(*form);
    window.show();
    QTest::mouseClick(qobject_cast<QPushButton*>(window.widgetOf(QStringLiteral("CmdPlaylists"))),
                      Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.runner().idle(); }));
    QListWidget* list = window.displayList();
    const int line = lineOf(*form, name);
    ASSERT_GE(line, 0);
    list->scrollToItem(list->item(line));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(line)).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.runner().idle(); }));
    ASSERT_EQ(form->state().SelectedPlaylist, name);
    const int perPage = form->state().Configuration.ListSongsPerPage;
    ASSERT_LT(perPage, 60);

    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    QTest::mouseClick(qobject_cast<QPushButton*>(window.widgetOf(QStringLiteral("cmdPrint"))),
                      Qt::LeftButton);
    EXPECT_TRUE(form->state().StatusLine.isEmpty()) << window.statusText().toStdString();

    const QString path = waitForPdfHolding(name, start, 90);
    ASSERT_FALSE(path.isEmpty()) << "no PDF from the printer in "
                                 << cupsPdfFolders().join(u' ').toStdString();
    EXPECT_EQ(pageCount(path), 2);
    const QList<QStringList> pages = pdfText(path);
    ASSERT_EQ(pages.size(), 2);
    // Each page: the playlist's title and column headings, then its songs.
    const QStringList& shown = form->state().List1.lines();
    const QStringList& first = pages[0];
    const QStringList& second = pages[1];
    ASSERT_EQ(first.size(), 2 + perPage);
    ASSERT_EQ(second.size(), 2 + 60 - perPage);
    for (const QStringList& page : {first, second}) {
        EXPECT_EQ(page[0], shown[1].simplified());
        EXPECT_EQ(page[1], shown[3].simplified());
    }
    EXPECT_EQ(first.back(), shown[3 + perPage].simplified());
    EXPECT_EQ(second[2], shown[4 + perPage].simplified());
    EXPECT_EQ(second.back(), shown.back().simplified());
    QFile::remove(path);
}
