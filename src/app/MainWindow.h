#pragma once

#include "app/Form1.h"
#include "app/Form1Runner.h"

#include <QMainWindow>
#include <QMap>
#include <QPair>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPrinter;
class QPushButton;
class QScreen;

// Draws Form1's controls and forwards every click, mouse move and Enter on a line to its handlers,
// through a Form1Runner that runs each in its turn while the window goes on drawing; whenever the
// runner says so it draws again from Form1's state (or, while a handler runs, the status line
// alone). It holds no behaviour of its own. The keyboard reaches everything: the focus starts on
// LIST ALL PLAYLISTS and the list is the next Tab (or F6) away; the list moves with the arrow and
// page keys, Enter opens a playlist's line, Tab reaches every button that does something and
// Space presses it. Every control has an accessible name and description, and the status line
// tells assistive technologies of each change.
//
// Beside PRINT (the default printer), Ctrl+P and a right-click on PRINT open the print dialog
// (printer, copies, page range, paper, a PDF file) and the print preview, which draws the very
// pages PRINT prints; Ctrl+Shift+S, or the same menu, saves the view as a PDF file. When PRINT
// finds no printer, the print dialog opens instead.
namespace corvane::app {

// The screen as Form1 measures it: twips per pixel from the logical dpi, the size in twips.
ScreenMetrics screenMetrics(const QScreen* screen);

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `progress`: the one the form's library reports to (may be null).
    explicit MainWindow(Form1& form, std::shared_ptr<library::ReadProgress> progress = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The widget that draws a control (nullptr for the player control, which has none).
    QWidget* widgetOf(const QString& name, int index = -1) const;
    QListWidget* displayList() const { return list_; }
    QString statusText() const;
    Form1Runner& runner() { return runner_; }

    // Draws every control from Form1's state.
    void redraw();

    // The print dialog, the print preview and the PDF file dialog, each on Form1's view once no
    // handler runs. The printer the dialogs set up is kept for the next one.
    void printWithDialog();
    void printPreview();
    void saveAsPdf();
    QPrinter& dialogPrinter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void connectButton(QPushButton* button, const QString& name, int index);
    // The focus order and where the focus starts; F6 goes to the list and back.
    void setUpKeyboard();
    void toggleListFocus();
    // A new listing: its lines, each readable as text, and its first playlist or song current.
    void showListing(const views::DisplayList& shown);
    // What assistive technologies say of a control, as it is drawn now.
    void describe(QWidget* widget, const Control& c) const;
    void addPrintActions(QPushButton* print);
    void handled();
    void mouseMovedOverList(const QPoint& globalPosition);
    void lineClicked(int row);
    QRect pixels(const Rect& twips) const;

    Form1& form_;
    Form1Runner runner_;
    QWidget* canvas_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QMap<QPair<QString, int>, QWidget*> widgets_;
    QStringList shownLines_;
    std::vector<views::LineRole> shownRoles_; // read while a handler may run: the drawn ones
    int shownListing_ = -1;
    QWidget* beforeList_ = nullptr;     // where F6 on the list goes back to
    std::unique_ptr<QPrinter> printer_; // as the print dialog last left it
    QString pdfFolder_;                 // where the last PDF was saved
};

} // namespace corvane::app
