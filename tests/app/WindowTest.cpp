#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "guide/Guide.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest/QTest>
#include <set>

using namespace corvane;
using namespace corvane::app;

namespace {

// The window on Qt's offscreen platform, on its screen's own metrics.
struct Window : test::FormTest {
    std::unique_ptr<Form1> form;
    std::unique_ptr<MainWindow> window;

    Window() {
        screen = screenMetrics(QGuiApplication::primaryScreen());
        form = makeForm(library);
        form->Form_Load();
        window = std::make_unique<MainWindow>(*form);
        window->show();
    }

    QPushButton* button(const QString& name, int index = -1) const {
        return qobject_cast<QPushButton*>(window->widgetOf(name, index));
    }
    QString text1() const { return qobject_cast<QLineEdit*>(window->widgetOf("Text1"))->text(); }
    QListWidget* list() const { return window->displayList(); }
    QPoint centreOfLine(int row) const {
        return list()->visualItemRect(list()->item(row)).center();
    }
    QWidget* focused() const { return window->focusWidget(); }
    void press(Qt::Key key) const {
        QTest::keyClick(focused(), key);
        settle();
    }
    // Handlers run apart from the window: the test goes on once they are done.
    void settle() const {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->runner().idle(); }));
    }
    void click(QWidget* widget, QPoint at = {}) const {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
        settle();
    }
    QStringList shownLines() const {
        QStringList lines;
        for (int i = 0; i < list()->count(); ++i) {
            lines << list()->item(i)->text();
        }
        return lines;
    }
};

} // namespace

TEST_F(Window, DrawsEveryControlWhereForm1PutsIt) {
    EXPECT_EQ(window->windowTitle(), WindowCaption);
    EXPECT_EQ(window->statusText(), QStringLiteral("library note")); // what went wrong
    for (int size : {16, 32, 256}) {
        EXPECT_TRUE(window->windowIcon().availableSizes().contains(QSize(size, size))) << size;
    }
    const double tx = screen.twipsPerPixelX;
    const double ty = screen.twipsPerPixelY;
    for (const Control& c : form->controls()) {
        QWidget* widget = window->widgetOf(c.name, c.index);
        if (c.kind == ControlKind::MediaPlayer) {
            EXPECT_EQ(widget, nullptr); // its place stays empty
            continue;
        }
        ASSERT_NE(widget, nullptr) << c.name.toStdString();
        // In the window's drawing, whether in a frame or not.
        QWidget* canvas = list()->parentWidget();
        const QRect r(widget->mapTo(canvas, QPoint()), widget->size());
        EXPECT_NEAR(r.left(), c.scaled.left / tx, 1) << c.name.toStdString() << c.index;
        EXPECT_NEAR(r.top(), c.scaled.top / ty, 1) << c.name.toStdString() << c.index;
        EXPECT_NEAR(r.width(), c.scaled.width / tx, 1) << c.name.toStdString() << c.index;
        EXPECT_NEAR(r.height(), c.scaled.height / ty, 1) << c.name.toStdString() << c.index;
        // Nothing lies beyond the drawn window area, or its frame.
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << c.name.toStdString();
    }
    EXPECT_EQ(button("CmdPlaylists")->text(), QStringLiteral("LIST ALL\nPLAYLISTS"));
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\nuser's guide"));
    EXPECT_EQ(shownLines(), guide::GuideLines());
    // The display list: a fixed-pitch font at the size the view set.
    const QFont font = list()->font();
    EXPECT_FLOAT_EQ(static_cast<float>(font.pointSizeF()), form->listFontSize());
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
    EXPECT_TRUE(font.bold());
    // It opens no larger than the screen can show.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(window->width(), available.width());
    EXPECT_LE(window->height(), available.height());
}

// The list's lines and font as Form1 has them; a playlist's line under the pointer, top to
// bottom, in the text box; a click on it selects it.
TEST_F(Window, ListAllPlaylistsThenClickALine) {
    click(button("CmdPlaylists"));
    EXPECT_EQ(shownLines(), form->state().List1.lines());
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\nlist of playlists"));
    EXPECT_FLOAT_EQ(static_cast<float>(list()->font().pointSizeF()), form->listFontSize());

    const auto hover = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, list()->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &move);
        return text1();
    };
    for (int row : {4, 5}) {
        const QRect r = list()->visualItemRect(list()->item(row));
        for (QPoint at :
             {r.center(), QPoint(r.center().x(), r.top()), QPoint(r.center().x(), r.bottom())}) {
            EXPECT_EQ(hover(at), list()->item(row)->text()) << row << " at y " << at.y();
        }
    }
    EXPECT_EQ(hover(centreOfLine(2)), QString());

    click(list()->viewport(), centreOfLine(5));
    EXPECT_EQ(form->state().SelectedPlaylist, QStringLiteral("Jazz"));
    EXPECT_EQ(shownLines(), form->state().List1.lines());
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\nselected list"));
}

TEST_F(Window, ButtonsReachTheirHandlers) {
    click(button("CmdPlaylists"));
    click(list()->viewport(), centreOfLine(4));
    click(button("cmdCDLabel"));
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\nlabel"));
    // The whole sort group hides in the label, and comes back.
    for (QWidget* w : {window->widgetOf("Label1"), window->widgetOf("Frame1"),
                       window->widgetOf("cmdSort", 3), window->widgetOf("cmdMinorSort")}) {
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(window->widgetOf("Frame2")->isVisible());
    EXPECT_TRUE(button("cmdCustom", views::Album)->text().isEmpty());
    click(button("cmdCustom", views::Year));
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\ncustom label"));
    click(button("CmdSelected"));
    EXPECT_TRUE(button("cmdSort", 0)->isVisible() && window->widgetOf("Label1")->isVisible());
    click(button("cmdMinorSort"));
    EXPECT_EQ(button("cmdMinorSort")->text(), QStringLiteral("Minor Sort On"));
    click(button("cmdWebSite"));
    EXPECT_EQ(openedUrls, std::vector<QString>{guide::WebAddress});
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(button("cmdWebSite")->text().contains(guide::WebAddress));
}

// The focus starts, visibly, on LIST ALL PLAYLISTS; the list is one Tab (or F6) away, with its
// first playlist current; Enter opens only a playlist's line; Tab passes blank buttons by.
TEST_F(Window, TheKeyboardGoesStraightIntoTheList) {
    for (int i = 0; i < 80; ++i) {
        library->addPlaylist(QStringLiteral("More %1").arg(i));
    }
    EXPECT_EQ(focused(), button("CmdPlaylists"));
    EXPECT_TRUE(button("CmdPlaylists")->styleSheet().contains(QStringLiteral(":focus")));
    press(Qt::Key_Space);
    EXPECT_EQ(button("cmdPrint")->text(), QStringLiteral("PRINT\nlist of playlists"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), list());
    EXPECT_TRUE(list()->styleSheet().contains(QStringLiteral("QListWidget:focus")));
    EXPECT_EQ(list()->currentRow(), 4); // the first playlist, not the blank line above it

    // Enter on the heading or a blank line does nothing; on a playlist's line it opens it.
    for (int row : {2, 3}) {
        list()->setCurrentRow(row);
        press(Qt::Key_Return);
        EXPECT_EQ(form->state().PlaylistsShowing, 1) << row;
        EXPECT_TRUE(form->state().SelectedPlaylist.isEmpty()) << row;
    }
    list()->setCurrentRow(4);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(form->state().SelectedPlaylist, QStringLiteral("Jazz"));
    EXPECT_EQ(shownLines(), form->state().List1.lines());
    EXPECT_EQ(form->state().List1.role(list()->currentRow()).kind, views::LineKind::Song);
    EXPECT_EQ(form->state().List1.role(list()->currentRow() - 1).kind, views::LineKind::Heading);

    // Every listing starts at its top, even one that shows the same lines again.
    for (int listing = 0; listing < 2; ++listing) {
        click(button("CmdPlaylists"));
        QApplication::processEvents(); // the list lays out its new lines
        EXPECT_EQ(list()->verticalScrollBar()->value(), 0) << listing;
        EXPECT_EQ(list()->currentRow(), 4) << listing;
        for (int page = 0; page < 3; ++page) {
            QTest::keyClick(list(), Qt::Key_PageDown);
        }
        EXPECT_GT(list()->verticalScrollBar()->value(), 0);
    }
    // A click on the heading keeps its meaning: the user's guide.
    click(list()->viewport(), centreOfLine(2));
    EXPECT_EQ(shownLines(), guide::GuideLines());

    // Tab goes round every button that does something, and the list; the blank sort buttons
    // (the display shows four columns) are passed by. F6 goes to the list and back.
    std::set<QWidget*> reached;
    for (int i = 0; i < 40 && reached.insert(focused()).second; ++i) {
        press(Qt::Key_Tab);
    }
    EXPECT_TRUE(reached.count(list()));
    for (const Control& c : form->controls()) {
        if (c.kind == ControlKind::Button && c.visible) {
            EXPECT_EQ(reached.count(button(c.name, c.index)), c.caption.isEmpty() ? 0U : 1U)
                << c.name.toStdString() << c.index;
        }
    }
    button("cmdSave")->setFocus();
    press(Qt::Key_F6);
    EXPECT_EQ(focused(), list());
    press(Qt::Key_F6);
    EXPECT_EQ(focused(), button("cmdSave"));
}
