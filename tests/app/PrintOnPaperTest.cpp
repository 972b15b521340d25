#include "AppTestSupport.h"
#include "PdfTestSupport.h"
#include "app/MainWindow.h"
#include "print/Printout.h"
#include "print/QtPrinter.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QUuid>
#include <QtTest/QTest>
#include <functional>

using namespace corvane;
using namespace corvane::app;
using namespace corvane::print::test_support;

namespace {

struct PrintOnPaper : test::FormTest {
    std::unique_ptr<Form1> form;
    std::unique_ptr<MainWindow> window;

    // A playlist of `songs` songs, shown selected in a window that prints with `printers`.
    void showPlaylist(const QString& name, int songs, Form1::PrinterFactory printers = {}) {
        library::MemoryPlaylist& playlist = library->addPlaylist(name);
        for (int k = 1; k <= songs; ++k) {
            playlist.add(
                test::song(QStringLiteral("Song %1").arg(k), QStringLiteral("Artist"), 200));
        }
        form = makeForm(library, std::move(printers));
        form->Form_Load();
        window = std::make_unique<MainWindow>(*form);
        window->show();
        click(window->widgetOf(QStringLiteral("CmdPlaylists")));
        QListWidget* list = window->displayList();
        QListWidgetItem* line = list->item(lineOf(*form, name));
        ASSERT_NE(line, nullptr);
        list->scrollToItem(line);
        click(list->viewport(), list->visualItemRect(line).center());
        ASSERT_EQ(form->state().SelectedPlaylist, name);
    }

    void click(QWidget* widget, QPoint at = {}) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->runner().idle(); }));
    }

    // What PRINT would print, page by page.
    QList<QStringList> pages() const {
        print::RecordingPrinter shown;
        print::Printout(form->state(), shown);
        return shown.pages();
    }

    // Runs `answer` on the modal dialog of type `Dialog` once it shows, while `open` opens it.
    template <class Dialog>
    void withDialog(const std::function<void()>& open, const std::function<void(Dialog&)>& answer) {
        bool answered = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                poll.stop();
                answered = true;
                answer(*dialog);
            }
        });
        poll.start(20);
        open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return answered && window->runner().idle(); }));
    }
};

} // namespace

// PRINT pressed in the window sends the selected list to the default printer, and Ctrl+P opens
// the print dialog, whose page range is honoured: on the PDF printer that the CI sets up as the
// default, read back from the files it writes. They hold what the printout makes of the list the
// window shows (how it does is the printout's own test), and the status line says where it went.
// The preview (PRINT's right-click menu) shows the very pages PRINT prints; Ctrl+Shift+S saves
// them as a PDF file.
TEST_F(PrintOnPaper, PrintTheDialogThePreviewAndSaveAsPdf) {
    // More songs than the default display prints on a page.
    const QString name =
        QStringLiteral("Window ") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    showPlaylist(name, 60, [] { return print::makeDefaultPrinter(); });
    const QList<QStringList> printed = pages();
    ASSERT_EQ(printed.size(), 2);
    const auto keys = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), key, modifiers);
    };

    if (const QString why = whyNoPdfDefaultPrinter(); why.isEmpty()) {
        QDateTime start = QDateTime::currentDateTime().addSecs(-2);
        click(window->widgetOf(QStringLiteral("cmdPrint")));
        EXPECT_TRUE(form->state().StatusLine.isEmpty()) << window->statusText().toStdString();
        EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("Printed 2 pages on ")))
            << window->statusText().toStdString();
        QString path = waitForPdfHolding(name, start, 90);
        ASSERT_FALSE(path.isEmpty())
            << "no PDF from the printer in " << cupsPdfFolders().join(u' ').toStdString();
        EXPECT_EQ(pageCount(path), 2);
        EXPECT_EQ(pdfText(path), simplified(printed));
        QFile::remove(path);

        // The print dialog, printing page 2 on the default printer.
        QPrinter& printer = window->dialogPrinter();
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        start = QDateTime::currentDateTime().addSecs(-2);
        withDialog<QPrintDialog>([&] { keys(Qt::Key_P, Qt::ControlModifier); },
                                 [](QPrintDialog& d) { d.accept(); });
        EXPECT_EQ(window->statusText(),
                  QStringLiteral("Printed 1 page on ") + printer.printerName());
        path = waitForPdfHolding(name, start, 90);
        ASSERT_FALSE(path.isEmpty()) << "no PDF from the printer";
        EXPECT_EQ(pdfText(path), simplified({printed[1]}));
        QFile::remove(path);
        printer.setPrintRange(QPrinter::AllPages);
    } else {
        std::fprintf(stderr, "the printouts on paper: skipped, %s\n", qPrintable(why));
    }

    // The preview, from the menu on PRINT.
    auto* print = qobject_cast<QPushButton*>(window->widgetOf(QStringLiteral("cmdPrint")));
    ASSERT_EQ(print->actions().size(), 3);
    int previewPages = 0;
    withDialog<QPrintPreviewDialog>([&] { print->actions()[1]->trigger(); },
                                    [&](QPrintPreviewDialog& d) {
                                        auto* pages = d.findChild<QPrintPreviewWidget*>();
                                        previewPages = pages != nullptr ? pages->pageCount() : -1;
                                        d.reject();
                                    });
    EXPECT_EQ(previewPages, 2);

    // Save as PDF, through the file dialog.
    const QString saved = dir.filePath(QStringLiteral("saved.pdf"));
    withDialog<QFileDialog>([&] { keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier); },
                            [&](QFileDialog& d) {
                                EXPECT_TRUE(d.selectedFiles().value(0).endsWith(name + ".pdf"));
                                // The dialog leaves the name as typed while it has the focus.
                                if (QWidget* typing = d.focusWidget()) {
                                    typing->clearFocus();
                                }
                                d.selectFile(saved);
                                QMetaObject::invokeMethod(&d, "accept");
                            });
    EXPECT_EQ(pageCount(saved), 2);
    EXPECT_EQ(pdfText(saved), simplified(printed));
    EXPECT_EQ(window->statusText(), QStringLiteral("Saved 2 pages to ") + saved)
        << window->statusText().toStdString();
}

// With no printer to print on, PRINT says so and opens the print dialog; cancelled, nothing is
// printed and the status line keeps saying why.
TEST_F(PrintOnPaper, PrintWithoutAPrinterOpensThePrintDialog) {
    showPlaylist(QStringLiteral("Nowhere"), 3, []() -> std::unique_ptr<print::Printer> {
        throw print::NoPrinterError("There is no default printer.");
    });
    bool asked = false;
    withDialog<QPrintDialog>([&] { click(window->widgetOf(QStringLiteral("cmdPrint"))); },
                             [&](QPrintDialog& d) {
                                 asked = true;
                                 d.reject();
                             });
    EXPECT_TRUE(asked);
    EXPECT_EQ(window->statusText(),
              QStringLiteral("Nothing was printed: There is no default printer."));
}
