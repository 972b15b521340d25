#include "app/MainWindow.h"

#include "app/OutputFile.h"
#include "print/FixedPitch.h"
#include "print/QtPrinter.h"
#include "print/RecordingPrinter.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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
    setWindowTitle(WindowCaption);
    QIcon icon;
    for (QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        icon.addFile(it.next());
    }
    setWindowIcon(icon);
    build();
    redraw();
    // The keyboard starts on the list, where the page keys read the guide.
    list_->setFocus();

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
                QStringLiteral("QListWidget { background-color: %1; color: black; }")
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
            auto* frame = new QFrame(canvas_);
            frame->setStyleSheet(QStringLiteral("#%1 { background-color: %2;"
                                                " border: 1px solid rgb(160,160,160); }")
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
    // Labels are drawn on the window itself, under every other control.
    for (QWidget* label : labels) {
        label->lower();
    }

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->addWidget(status_, 1);
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
        widget->setGeometry(pixels(c.scaled));
        widget->setVisible(c.visible);
        if (c.fontSize > 0.0F) {
            const QFont font = fontOf(c, c.fontSize);
            if (widget->font() != font) {
                widget->setFont(font);
            }
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setText(c.caption);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(c.caption);
        } else if (auto* text = qobject_cast<QLineEdit*>(widget)) {
            if (text->text() != c.caption) {
                text->setText(c.caption);
                text->setCursorPosition(0);
            }
        }
    }
    // A new listing starts at the top with no line current (not even the first, as the list
    // would make it on taking the focus), so that Down goes to the first line.
    const QStringList& lines = form_.state().List1.lines();
    if (lines != shownLines_ || form_.listingCount() != shownListing_) {
        shownLines_ = lines;
        shownListing_ = form_.listingCount();
        list_->clear();
        list_->addItems(lines);
        const views::DisplayList& shown = form_.state().List1;
        for (int i = 0; i < shown.ListCount(); ++i) {
            if (const text::CellStarts& cells = shown.cells(i); !cells.empty()) {
                list_->item(i)->setData(CellsRole, QVariant::fromValue(cells));
            }
        }
        list_->setCurrentIndex(QModelIndex());
        list_->scrollToTop();
    }
    status_->setText(runner_.statusLine());
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
        printer_ = standard.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                                     : std::make_unique<QPrinter>(standard,
                                                                  QPrinter::HighResolution);
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
        OutputFile file(path, OutputFile::Kind::Pdf);
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
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list_->currentRow() >= 0) {
            lineClicked(list_->currentRow());
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
