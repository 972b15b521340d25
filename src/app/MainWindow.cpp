#include "app/MainWindow.h"

#include "app/OutputFile.h"
#include "guide/Guide.h"
#include "print/FixedPitch.h"
#include "print/QtPrinter.h"
#include "print/RecordingPrinter.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>

namespace corvane::app {
namespace {

QString rgb(const Rgb& c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red).arg(c.green).arg(c.blue);
}

// Fonts the controls ask for by name, each followed by the font that fontconfig has with the
// same metrics.
QFont fontOf(const Control& c, float points) {
    QFont font;
    if (c.fontFace == QStringLiteral("Courier New")) {
        font.setFamilies({c.fontFace, QStringLiteral("Liberation Mono")});
        font.setStyleHint(QFont::TypeWriter);
    } else {
        font.setFamilies({c.fontFace, QStringLiteral("Liberation Sans")});
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(points);
    font.setBold(c.bold);
    return font;
}

// Where a display-list line's cells begin, for the lines that keep them.
constexpr int CellsRole = Qt::UserRole + 1;

// Draws the display list's lines on the fixed-pitch grid, as the printout does, so that titles
// in scripts the face lacks (CJK) keep the columns and label frames in line on screen too, and
// right-to-left titles read right to left inside their own cells.
class FixedPitchDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        const QWidget* widget = item.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        const QRect textArea = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        item.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget); // row, selection

        const QFontMetricsF metrics(item.font, painter->device());
        const qreal margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const qreal baseline =
            textArea.top() + (textArea.height() - metrics.height()) / 2.0 + metrics.ascent();
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(textArea);
        print::drawFixedPitch(*painter, metrics, QPointF(textArea.left() + margin, baseline), text,
                              index.data(CellsRole).value<text::CellStarts>());
        painter->restore();
    }
};

QString objectNameOf(const Control& c) {
    return c.index < 0 ? c.name : QStringLiteral("%1_%2").arg(c.name).arg(c.index);
}

// The frame a button is drawn in, so that assistive technologies tell which group a button of
// the same caption ("Title") belongs to; empty: the window itself.
QString frameOf(const QString& name) {
    if (name == QStringLiteral("cmdCustom") || name == QStringLiteral("cmdReset") ||
        name == QStringLiteral("cmdSave")) {
        return QStringLiteral("Frame2");
    }
    if (name == QStringLiteral("cmdSort") || name == QStringLiteral("cmdMinorSort")) {
        return QStringLiteral("Frame1");
    }
    return {};
}

struct Spoken {
    QString name;
    QString description;
};

// What a screen reader says of a control with the caption it shows now: what it is, and what it
// does. Captions that change (the print button, the item and sort buttons) change the name.
Spoken spokenOf(const Control& c) {
    const QString& n = c.name;
    const QString caption = QString(c.caption).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (n == QStringLiteral("cmdSort")) {
        if (c.caption.isEmpty()) {
            return {
                QStringLiteral("Sort: no column %1").arg(c.index + 1),
                QStringLiteral("Does nothing: the display shows no column %1").arg(c.index + 1)};
        }
        return {QStringLiteral("Sort by %1").arg(caption),
                QStringLiteral("Sort the playlist by %1: ascending, then descending on a second "
                               "click")
                    .arg(caption)};
    }
    if (n == QStringLiteral("cmdCustom")) {
        if (c.caption.isEmpty()) {
            return {QStringLiteral("Custom display: %1 (not on a label)")
                        .arg(views::ItemNames[static_cast<std::size_t>(c.index)]),
                    QStringLiteral("Does nothing: a label cannot show %1")
                        .arg(views::ItemNames[static_cast<std::size_t>(c.index)])};
        }
        return {QStringLiteral("Custom display: add %1").arg(caption),
                QStringLiteral("Add %1 as the next column of a custom display").arg(caption)};
    }
    if (n == QStringLiteral("cmdPrint")) {
        const QString what = c.caption.section(QLatin1Char('\n'), 1);
        return {what.isEmpty() ? QStringLiteral("Print") : QStringLiteral("Print ") + what,
                QStringLiteral("Print what the display list shows on the default printer; Ctrl+P "
                               "opens the print dialog, Ctrl+Shift+S saves it as a PDF file")};
    }
    if (n == QStringLiteral("cmdMinorSort")) {
        return {caption.isEmpty() ? QStringLiteral("Minor Sort") : caption,
                QStringLiteral("Turn minor sort on or off: while on, each sort is done within "
                               "the previous one")};
    }
    static const std::pair<const char*, Spoken> fixed[] = {
        {"List1",
         {QStringLiteral("Display list"),
          QStringLiteral("The user's guide, the list of playlists, a playlist or its CD labels; "
                         "Enter on a playlist's line opens it")}},
        {"CmdPlaylists",
         {QStringLiteral("List all playlists"),
          QStringLiteral("Show the numbered list of every playlist")}},
        {"Label2",
         {QStringLiteral("Selected Playlist"),
          QStringLiteral("Title of the selected playlist field")}},
        {"Text1",
         {QStringLiteral("Selected playlist"),
          QStringLiteral("The name of the playlist chosen; while the list of playlists shows, "
                         "the line under the mouse pointer")}},
        {"CmdSelected",
         {QStringLiteral("Playlist"),
          QStringLiteral("Show the selected playlist in the saved display")}},
        {"cmdCDLabel",
         {QStringLiteral("Label CD case"),
          QStringLiteral("Lay the selected playlist out as CD case labels")}},
        {"Label3",
         {QStringLiteral("Custom Display"), QStringLiteral("Title of the custom display group")}},
        {"Frame2",
         {QStringLiteral("Custom display"),
          QStringLiteral("Compose the display item by item, reset it or save it as the "
                         "default")}},
        {"cmdReset",
         {QStringLiteral("Reset display"),
          QStringLiteral("Return to the default display, throwing a custom one away")}},
        {"cmdSave",
         {QStringLiteral("Save display"),
          QStringLiteral("Keep the display shown as the default display")}},
        {"Label1",
         {QStringLiteral("Selected Playlist Sort, Ascending/Descending"),
          QStringLiteral("Title of the sort group")}},
        {"Frame1",
         {QStringLiteral("Selected playlist sort"),
          QStringLiteral("Sort the selected playlist by one of its columns")}},
        {"cmdWebSite",
         {QStringLiteral("Project web page"),
          QStringLiteral("Open %1 in the web browser").arg(guide::WebAddress)}},
    };
    for (const auto& [name, spoken] : fixed) {
        if (n == QLatin1String(name)) {
            return spoken;
        }
    }
    return {caption, {}};
}

// A line of the display list as a screen reader reads it: its words, without the padding that
// lines up its columns.
QString spokenLine(const QString& line) {
    if (line == QStringLiteral("\f")) {
        return QStringLiteral("page break");
    }
    const QString words = line.simplified();
    return words.isEmpty() ? QStringLiteral("blank line") : words;
}

bool isEntry(views::LineKind kind) {
    return kind == views::LineKind::Playlist || kind == views::LineKind::Song ||
           kind == views::LineKind::LabelSongs;
}

} // namespace

ScreenMetrics screenMetrics(const QScreen* screen) {
    ScreenMetrics m;
    if (screen == nullptr) {
        return m;
    }
    const auto perPixel = [](qreal dpi) {
        return dpi > 0 ? static_cast<float>(1440.0 / dpi) : 15.0F;
    };
    m.twipsPerPixelX = perPixel(screen->logicalDotsPerInchX());
    m.twipsPerPixelY = perPixel(screen->logicalDotsPerInchY());
    m.widthTwips = static_cast<float>(screen->geometry().width()) * m.twipsPerPixelX;
    m.heightTwips = static_cast<float>(screen->geometry().height()) * m.twipsPerPixelY;
    return m;
}

MainWindow::MainWindow(Form1& form, std::shared_ptr<library::ReadProgress> progress,
                       QWidget* parent)
    : QMainWindow(parent)
    , form_(form)
    , runner_(form, std::move(progress)) {
    connect(&runner_, &Form1Runner::changed, this, &MainWindow::redraw);
    connect(&runner_, &Form1Runner::changed, this, &MainWindow::handled);
    // Escape cancels a listing that takes long (a slow server's).
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, &runner_,
            &Form1Runner::cancel);
    setWindowTitle(WindowCaption);
    QIcon icon;
    for (QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        icon.addFile(it.next());
    }
    setWindowIcon(icon);
    build();
    redraw();
    setUpKeyboard();

    // Open large enough to show the whole layout, but never past the screen: the scroll area
    // reaches what a small screen cannot show.
    const QSize wanted = canvas_->size() + QSize(0, statusBar()->sizeHint().height());
    const QScreen* screen = this->screen();
    const QRect available =
        screen != nullptr ? screen->availableGeometry() : QRect(QPoint(), wanted);
    resize(wanted.boundedTo(available.size()));
    move(available.center() - QPoint(width() / 2, height() / 2));
}

MainWindow::~MainWindow() = default;

QRect MainWindow::pixels(const Rect& twips) const {
    const double x = form_.screen().twipsPerPixelX;
    const double y = form_.screen().twipsPerPixelY;
    const int left = qRound(twips.left / x);
    const int top = qRound(twips.top / y);
    return {left, top, qRound(twips.right() / x) - left, qRound(twips.bottom() / y) - top};
}

void MainWindow::build() {
    auto* area = new QScrollArea(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus); // Tab goes from control to control
    area->setStyleSheet(
        QStringLiteral("QScrollArea { background-color: %1; }").arg(rgb(WindowBackground)));
    canvas_ = new QWidget;
    canvas_->setObjectName(QStringLiteral("Form1"));
    canvas_->setStyleSheet(
        QStringLiteral("#Form1 { background-color: %1; }").arg(rgb(WindowBackground)));
    canvas_->setFixedSize(pixels(form_.clientArea()).size());
    area->setWidget(canvas_);
    setCentralWidget(area);

    QList<QWidget*> labels;
    for (const Control& c : form_.controls()) {
        QWidget* widget = nullptr;
        const QString name = objectNameOf(c);
        const QString background =
            c.background ? rgb(*c.background) : QStringLiteral("transparent");
        switch (c.kind) {
        case ControlKind::ListBox: {
            list_ = new QListWidget(canvas_);
            list_->setUniformItemSizes(true);
            list_->setItemDelegate(new FixedPitchDelegate(list_));
            list_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
            list_->setStyleSheet(
                QStringLiteral("QListWidget { background-color: %1; color: black;"
                               " border: 2px solid transparent; }"
                               " QListWidget:focus { border: 2px solid rgb(0,70,180); }")
                    .arg(background));
            list_->setMouseTracking(true);
            for (QWidget* w : {static_cast<QWidget*>(list_), list_->viewport(),
                               static_cast<QWidget*>(list_->verticalScrollBar()),
                               static_cast<QWidget*>(list_->horizontalScrollBar())}) {
                w->setMouseTracking(true);
                w->installEventFilter(this);
            }
            connect(list_, &QListWidget::clicked, this,
                    [this](const QModelIndex& index) { lineClicked(index.row()); });
            widget = list_;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(canvas_);
            // Tab reaches it; a click leaves the keyboard where it was (on the list).
            button->setFocusPolicy(Qt::TabFocus);
            button->setStyleSheet(
                QStringLiteral("QPushButton { background-color: %1; color: black; padding: 0px;"
                               " border: 1px solid rgb(40,40,40); border-radius: 3px; }"
                               " QPushButton:focus { border: 2px solid rgb(0,70,180); }"
                               " QPushButton:pressed { border: 2px inset rgb(40,40,40); }")
                    .arg(background));
            connectButton(button, c.name, c.index);
            if (c.name == QStringLiteral("cmdPrint")) {
                addPrintActions(button);
            }
            widget = button;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(canvas_);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setStyleSheet(
                QStringLiteral("QLabel { background-color: %1; color: black; padding: 0px 2px; }")
                    .arg(background));
            labels << label;
            widget = label;
            break;
        }
        case ControlKind::TextBox: {
            auto* text = new QLineEdit(canvas_);
            text->setReadOnly(true);
            text->setFocusPolicy(Qt::NoFocus);
            text->setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: black;"
                                               " border: 1px solid rgb(120,120,120);"
                                               " padding: 0px 2px; }")
                                    .arg(background));
            widget = text;
            break;
        }
        case ControlKind::Frame: {
            // A group, which assistive technologies name as they enter it.
            auto* frame = new QGroupBox(canvas_);
            frame->setStyleSheet(QStringLiteral("#%1 { background-color: %2; margin: 0px;"
                                                " padding: 0px; border: 1px solid"
                                                " rgb(160,160,160); }")
                                     .arg(name, background));
            widget = frame;
            break;
        }
        case ControlKind::MediaPlayer:
            // The embedded player has no counterpart: its place stays empty.
            continue;
        }
        widget->setObjectName(name);
        widgets_.insert({c.name, c.index}, widget);
    }
    // In the layout's order, which is the order a screen reader reads a group in.
    for (const Control& c : form_.controls()) {
        if (QWidget* frame = widgets_.value({frameOf(c.name), -1})) {
            widgets_.value({c.name, c.index})->setParent(frame);
        }
    }
    qobject_cast<QLabel*>(widgetOf(QStringLiteral("Label2")))
        ->setBuddy(widgetOf(QStringLiteral("Text1")));
    // Labels are drawn on the window itself, under every other control.
    for (QWidget* label : labels) {
        label->lower();
    }

    // The status line's text is the label's accessible name, so that each change is told.
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->addWidget(status_, 1);
    statusBar()->setAccessibleName(QStringLiteral("Status line"));
    statusBar()->setAccessibleDescription(
        QStringLiteral("What was done last, what went wrong, or what to know of the library"));
}

void MainWindow::setUpKeyboard() {
    QWidget* previous = widgetOf(QStringLiteral("CmdPlaylists"));
    const auto next = [&](const QString& name, int index = -1) {
        QWidget* w = widgetOf(name, index);
        QWidget::setTabOrder(previous, w);
        previous = w;
    };
    next(QStringLiteral("List1"));
    for (const char* name : {"CmdSelected", "cmdCDLabel", "cmdPrint"}) {
        next(QLatin1String(name));
    }
    for (int i = 0; i < views::ItemCount; ++i) {
        next(QStringLiteral("cmdCustom"), i);
    }
    next(QStringLiteral("cmdReset"));
    next(QStringLiteral("cmdSave"));
    for (int i = 0; i < views::ItemCount; ++i) {
        next(QStringLiteral("cmdSort"), i);
    }
    next(QStringLiteral("cmdMinorSort"));
    next(QStringLiteral("cmdWebSite"));
    // The focus starts, visibly, on the first step: the list of playlists is a Space away, and
    // the list itself a Tab.
    widgetOf(QStringLiteral("CmdPlaylists"))->setFocus(Qt::OtherFocusReason);
    auto* f6 = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(f6, &QShortcut::activated, this, &MainWindow::toggleListFocus);
}

void MainWindow::toggleListFocus() {
    if (!list_->hasFocus()) {
        beforeList_ = focusWidget();
        list_->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    QWidget* back = beforeList_;
    if (back == nullptr || !back->isVisible() || back->focusPolicy() == Qt::NoFocus) {
        back = widgetOf(QStringLiteral("CmdPlaylists"));
    }
    back->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::describe(QWidget* widget, const Control& c) const {
    const Spoken spoken = spokenOf(c);
    if (widget->accessibleName() != spoken.name) {
        widget->setAccessibleName(spoken.name);
    }
    if (widget->accessibleDescription() != spoken.description) {
        widget->setAccessibleDescription(spoken.description);
    }
}

void MainWindow::connectButton(QPushButton* button, const QString& name, int index) {
    connect(button, &QPushButton::clicked, this, [this, name, index] {
        if (name == QStringLiteral("CmdPlaylists")) {
            runner_.CmdPlaylists_Click();
        } else if (name == QStringLiteral("CmdSelected")) {
            runner_.CmdSelected_Click();
        } else if (name == QStringLiteral("cmdCDLabel")) {
            runner_.cmdCDLabel_Click();
        } else if (name == QStringLiteral("cmdPrint")) {
            runner_.CmdPrint_Click();
        } else if (name == QStringLiteral("cmdCustom")) {
            runner_.cmdCustom_Click(index);
        } else if (name == QStringLiteral("cmdReset")) {
            runner_.cmdReset_Click();
        } else if (name == QStringLiteral("cmdSave")) {
            runner_.cmdSave_Click();
        } else if (name == QStringLiteral("cmdSort")) {
            runner_.cmdSort_Click(index);
        } else if (name == QStringLiteral("cmdMinorSort")) {
            runner_.cmdMinorSort_Click();
        } else if (name == QStringLiteral("cmdWebSite")) {
            runner_.cmdWebSite_Click();
        }
    });
}

void MainWindow::redraw() {
    // While a handler runs, Form1's state is its own: the last drawing stays, and the status line
    // says what is being done.
    if (!runner_.idle()) {
        status_->setText(runner_.statusLine());
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    for (const Control& c : form_.controls()) {
        QWidget* widget = widgets_.value({c.name, c.index});
        if (widget == nullptr) {
            continue;
        }
        // A button in a frame sits where the window's layout puts it.
        QRect place = pixels(c.scaled);
        if (widget->parentWidget() != canvas_) {
            place.translate(-widget->parentWidget()->pos());
        }
        widget->setGeometry(place);
        widget->setVisible(c.visible);
        describe(widget, c);
        if (c.fontSize > 0.0F) {
            const QFont font = fontOf(c, c.fontSize);
            if (widget->font() != font) {
                widget->setFont(font);
            }
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setText(c.caption);
            // A blank button does nothing: Tab passes it by.
            button->setFocusPolicy(c.caption.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(c.caption);
        } else if (auto* text = qobject_cast<QLineEdit*>(widget)) {
            if (text->text() != c.caption) {
                text->setText(c.caption);
                text->setCursorPosition(0);
            }
        }
    }
    const views::DisplayList& list = form_.state().List1;
    if (list.lines() != shownLines_ || form_.listingCount() != shownListing_) {
        shownRoles_.clear();
        for (int i = 0; i < list.ListCount(); ++i) {
            shownRoles_.push_back(list.role(i));
        }
        shownListing_ = form_.listingCount();
        showListing(list);
    }
    status_->setText(runner_.statusLine());
}

void MainWindow::showListing(const views::DisplayList& shown) {
    shownLines_ = shown.lines();
    list_->clear();
    for (int i = 0; i < shown.ListCount(); ++i) {
        auto* item = new QListWidgetItem(shown.List(i));
        item->setData(Qt::AccessibleTextRole, spokenLine(shown.List(i)));
        if (const text::CellStarts& cells = shown.cells(i); !cells.empty()) {
            item->setData(CellsRole, QVariant::fromValue(cells));
        }
        list_->addItem(item);
    }
    // A new listing starts at its top, its first playlist or song the current line (the guide
    // has none), so that Enter opens it and the arrows go on from it.
    const auto first = std::find_if(shownRoles_.begin(), shownRoles_.end(),
                                    [](views::LineRole role) { return isEntry(role.kind); });
    if (first != shownRoles_.end()) {
        list_->setCurrentRow(static_cast<int>(first - shownRoles_.begin()));
    } else {
        list_->setCurrentIndex(QModelIndex());
    }
    list_->scrollToTop();
}

void MainWindow::addPrintActions(QPushButton* print) {
    auto* dialog = new QAction(QStringLiteral("&Print..."), this);
    dialog->setShortcut(QKeySequence::Print);
    connect(dialog, &QAction::triggered, this, &MainWindow::printWithDialog);
    auto* preview = new QAction(QStringLiteral("Print Pre&view..."), this);
    connect(preview, &QAction::triggered, this, &MainWindow::printPreview);
    auto* pdf = new QAction(QStringLiteral("&Save as PDF..."), this);
    pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(pdf, &QAction::triggered, this, &MainWindow::saveAsPdf);
    // The shortcuts work anywhere in the window; the menu is PRINT's right-click.
    addActions({dialog, preview, pdf});
    print->setContextMenuPolicy(Qt::ActionsContextMenu);
    print->addActions({dialog, preview, pdf});
}

// After each handler: PRINT that found no printer opens the print dialog in its place.
void MainWindow::handled() {
    if (runner_.idle() && form_.takePrintDialogRequest()) {
        QTimer::singleShot(0, this, &MainWindow::printWithDialog);
    }
}

QPrinter& MainWindow::dialogPrinter() {
    if (!printer_) {
        const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
        printer_ = standard.isNull()
                       ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                       : std::make_unique<QPrinter>(standard, QPrinter::HighResolution);
        printer_->setDocName(QStringLiteral("Corvane printout"));
    }
    return *printer_;
}

void MainWindow::printWithDialog() {
    runner_.inTurn([this](Form1& form) {
        QPrinter& printer = dialogPrinter();
        QPrintDialog dialog(&printer, this);
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                          QAbstractPrintDialog::PrintCollateCopies |
                          QAbstractPrintDialog::PrintShowPageSize);
        print::RecordingPrinter pages;
        form.drawPrintout(pages);
        dialog.setMinMax(1, std::max(1, static_cast<int>(pages.pages().size())));
        if (dialog.exec() == QDialog::Accepted) {
            form.printWith([&printer] { return print::makePrinter(printer); });
        }
    });
}

void MainWindow::printPreview() {
    runner_.inTurn([this](Form1& form) {
        QPrintPreviewDialog preview(&dialogPrinter(), this);
        QString outcome;
        QString failure;
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* printer) {
            try {
                const std::unique_ptr<print::Printer> pages = print::makePrinter(*printer);
                form.drawPrintout(*pages);
                outcome = pages->outcome();
            } catch (const print::PrintError& e) {
                failure = QStringLiteral("Nothing was printed: %1").arg(e.what());
            }
        });
        // The preview's own Print button prints through the same pages; it accepts the dialog.
        if (preview.exec() == QDialog::Accepted) {
            form.setNote(Form1::Note::Print, failure.isEmpty() ? outcome : failure);
        }
    });
}

void MainWindow::saveAsPdf() {
    runner_.inTurn([this](Form1& form) {
        if (pdfFolder_.isEmpty()) {
            pdfFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            if (pdfFolder_.isEmpty() || !QDir(pdfFolder_).exists()) {
                pdfFolder_ = QDir::homePath();
            }
        }
        QFileDialog dialog(this, QStringLiteral("Save as PDF"),
                           QDir(pdfFolder_).filePath(form.printoutName() + QStringLiteral(".pdf")),
                           QStringLiteral("PDF files (*.pdf)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return;
        }
        const QString path = dialog.selectedFiles().constFirst();
        pdfFolder_ = QFileInfo(path).absolutePath();
        OutputFile file(path, [](QIODevice& device, const QString& name) {
            return print::makePdfPrinter(device, name);
        });
        form.printWith([&file] { return file.makePrinter(); },
                       [&file](bool whole) { return file.finish(whole); });
    });
}

QWidget* MainWindow::widgetOf(const QString& name, int index) const {
    return widgets_.value({name, index});
}

QString MainWindow::statusText() const {
    return status_->text();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        mouseMovedOverList(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    }
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Only a playlist's line opens: Enter on a blank or heading line does nothing (a click
            // there still means what it always did).
            const int row = list_->currentRow();
            if (row >= 0 && row < static_cast<int>(shownRoles_.size()) &&
                shownRoles_[static_cast<std::size_t>(row)].kind == views::LineKind::Playlist) {
                lineClicked(row);
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::lineClicked(int row) {
    runner_.List1_Click(row);
}

void MainWindow::mouseMovedOverList(const QPoint& globalPosition) {
    const QWidget* viewport = list_->viewport();
    const QPoint p = viewport->mapFromGlobal(globalPosition);
    views::ListBoxGeometry geometry;
    geometry.clientWidth = viewport->width();
    geometry.clientHeight = viewport->height();
    const QModelIndex top = list_->indexAt(QPoint(0, 0));
    geometry.topIndex = top.isValid() ? top.row() : 0;
    // The rows as the view lays them out: a size hint can differ from the drawn height.
    geometry.rowHeight =
        qMax(top.isValid() ? list_->visualRect(top).height() : list_->fontMetrics().height(), 1);
    runner_.List1_MouseMove(geometry, static_cast<float>(p.x() * form_.screen().twipsPerPixelX),
                            static_cast<float>(p.y() * form_.screen().twipsPerPixelY));
}

} // namespace corvane::app
