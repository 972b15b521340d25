#include "AppTestSupport.h"
#include "PdfTestSupport.h"
#include "app/MainWindow.h"
#include "print/Printout.h"
#include "print/QtPrinter.h"

#include <QDateTime>
#include <QListWidget>
#include <QUuid>
#include <QtTest/QTest>

using namespace corvane;
using namespace corvane::app;
using namespace corvane::print::test_support;

namespace {

struct PrintOnPaper : test::FormTest {};

} // namespace

// PRINT pressed in the window sends the selected list to the default printer: the PDF printer
// that the CI sets up as the default, read back from the file it writes. It holds what the
// printout makes of the list the window shows (how it does is the printout's own test).
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
    const auto click = [&](QWidget* widget, QPoint at = {}) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.runner().idle(); }));
    };
    click(window.widgetOf(QStringLiteral("CmdPlaylists")));
    QListWidget* list = window.displayList();
    QListWidgetItem* line = list->item(lineOf(*form, name));
    ASSERT_NE(line, nullptr);
    list->scrollToItem(line);
    click(list->viewport(), list->visualItemRect(line).center());
    ASSERT_EQ(form->state().SelectedPlaylist, name);

    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    click(window.widgetOf(QStringLiteral("cmdPrint")));
    EXPECT_TRUE(form->state().StatusLine.isEmpty()) << window.statusText().toStdString();

    const QString path = waitForPdfHolding(name, start, 90);
    ASSERT_FALSE(path.isEmpty()) << "no PDF from the printer in "
                                 << cupsPdfFolders().join(u' ').toStdString();
    print::RecordingPrinter shown;
    print::Printout(form->state(), shown);
    EXPECT_EQ(pageCount(path), 2);
    EXPECT_EQ(pdfText(path), simplified(shown.pages()));
    QFile::remove(path);
}
