#include "print/QtPrinter.h"

#include "print/FixedPitch.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPageRanges>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRawFont>
#include <algorithm>
#include <array>
#include <cups/cups.h>
#include <functional>

namespace corvane::print {
namespace {

// A printer's own small margins, for PDF: a sixth of an inch leaves room for the longest page
// (84 lines at 8 points) on letter paper.
constexpr qreal PdfMargin = 12.0; // points

// How far a label's line pitch may move from the font's own spacing, and how much narrower its
// cells may be than the face's, to make the frame fit: text stays as readable as it was.
constexpr qreal PitchRange = 0.12;
constexpr qreal NarrowestCells = 0.9;

[[noreturn]] void fail(const QString& message) {
    throw PrintError(message.toStdString());
}

void requireGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        fail(QStringLiteral("Printing needs the graphical application to be running."));
    }
}

// A file's name as the user would write it: the home folder as "~".
QString shortName(const QString& path) {
    const QString home = QDir::homePath() + u'/';
    return path.startsWith(home) ? u'~' + path.mid(home.size() - 1) : path;
}

QString pagesText(int pages) {
    return pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages);
}

// Where the document goes, for errors ("Cannot print to the printer X") and for the outcome.
struct Destination {
    QString target;  // "the printer CorvanePDF", "the file ~/label.pdf"
    QString outcome; // "Printed %1 on CorvanePDF", "Saved %1 to ~/label.pdf" (%1: the pages)
};

Destination onPrinter(const QString& name) {
    return {QStringLiteral("the printer %1").arg(name), QStringLiteral("Printed %1 on ") + name};
}

Destination toFile(const QString& path) {
    return {QStringLiteral("the file %1").arg(shortName(path)),
            QStringLiteral("Saved %1 to ") + shortName(path)};
}

class QtPrinter final : public Printer {
public:
    // `printer` is the same device as `device` when it is a QPrinter: a broken-off print run is
    // aborted rather than sent half done, and its page range and copies are honoured.
    QtPrinter(QPagedPaintDevice& device, QPrinter* printer, Destination destination)
        : device_(device)
        , printer_(printer)
        , destination_(std::move(destination)) {
        font_.setFamily(QStringLiteral("Courier New"));
        font_.setPointSizeF(10.0);
        glyphs_.fill(Unknown);
        if (printer_ != nullptr) {
            if (printer_->printRange() == QPrinter::PageRange) {
                range_ = printer_->pageRanges();
            }
            // A device that makes no copies of its own (a PDF file) is given each copy.
            if (!printer_->supportsMultipleCopies()) {
                copies_ = std::max(printer_->copyCount(), 1);
            }
        }
    }

    ~QtPrinter() override {
        if (painter_.isActive()) {
            if (printer_ != nullptr) {
                printer_->abort();
            }
            painter_.end();
        }
    }

    QtPrinter(const QtPrinter&) = delete;
    QtPrinter& operator=(const QtPrinter&) = delete;

    void setFontName(const QString& face) override {
        if (recording()) {
            record([=, this] { setFontName(face); });
        }
        font_.setFamily(face);
        applyFont();
    }

    void setBold(bool bold) override {
        if (recording()) {
            record([=, this] { setBold(bold); });
        }
        font_.setBold(bold);
        applyFont();
    }

    void setFontSize(float points) override {
        if (recording()) {
            record([=, this] { setFontSize(points); });
        }
        if (points > 0) {
            font_.setPointSizeF(points);
            applyFont();
        }
    }

    void setLabelFrame(int columns, int rows) override {
        if (recording()) {
            record([=, this] { setLabelFrame(columns, rows); });
        }
        frame_ = {columns, rows};
        applyFont();
    }

    void printLine(const QString& text, const text::CellStarts& cells) override {
        if (recording()) {
            record([=, this] { printLine(text, cells); });
        }
        begin();
        const QFontMetricsF metrics(font_, &device_);
        const Grid grid = gridFor(metrics);
        if (linesOnPage_ > 0 && y_ + metrics.height() > device_.height()) {
            startPage();
        }
        if (!text.isEmpty() && pageWanted()) {
            drawLine(metrics, grid, text, cells);
        }
        y_ += grid.pitch;
        ++linesOnPage_;
    }

    void newPage() override {
        if (recording()) {
            record([this] { newPage(); });
        }
        begin();
        startPage();
    }

    void endDocument() override {
        if (!painter_.isActive()) {
            return; // nothing printed: no document
        }
        // Further copies, each from a page of its own.
        const std::vector<std::function<void()>> copy = std::exchange(copy_, {});
        const int perCopy = pages_;
        for (int k = 1; k < copies_; ++k) {
            page_ = 0;
            startPage();
            for (const auto& operation : copy) {
                operation();
            }
        }
        pages_ = copies_ > 1 ? perCopy : pages_;
        if (!painter_.end() ||
            (printer_ != nullptr && printer_->printerState() == QPrinter::Error)) {
            fail(QStringLiteral("Cannot print to %1: it did not take the printout.")
                     .arg(destination_.target));
        }
        ended_ = true;
    }

    QString outcome() const override {
        return ended_ ? destination_.outcome.arg(pagesText(pages_)) : QString();
    }

private:
    struct Grid {
        qreal pitch = 0.0;  // from one baseline to the next, in device pixels
        qreal xScale = 1.0; // of the character cells
    };

    // The document begins with its first line.
    void begin() {
        if (painter_.isActive()) {
            return;
        }
        if (!painter_.begin(&device_)) {
            fail(QStringLiteral("Cannot print to %1.").arg(destination_.target));
        }
        painter_.setFont(font_);
        y_ = 0.0;
        linesOnPage_ = 0;
        page_ = 1;
        pages_ = pageWanted() ? 1 : 0;
        emitted_ = pages_ > 0;
    }

    // Pages outside the range the user asked for are laid out but not printed.
    bool pageWanted() const { return range_.isEmpty() || range_.contains(page_); }

    void startPage() {
        ++page_;
        if (pageWanted()) {
            if (emitted_ && !device_.newPage()) {
                fail(QStringLiteral("Cannot print to %1: it refused a new page.")
                         .arg(destination_.target));
            }
            emitted_ = true;
            ++pages_;
        }
        y_ = 0.0;
        linesOnPage_ = 0;
    }

    void applyFont() {
        if (painter_.isActive()) {
            painter_.setFont(font_);
        }
        face_ = QRawFont();
        glyphs_.fill(Unknown);
    }

    // The font's own line spacing and cells, except in label frames, whose size on paper is
    // fixed: the pitch sets their height, and cells too wide for the slot are narrowed.
    Grid gridFor(const QFontMetricsF& metrics) const {
        Grid grid{metrics.lineSpacing(), 1.0};
        if (frame_.columns < 2 || frame_.rows < 2) {
            return grid;
        }
        const qreal side = LabelFrameMillimetres / 25.4;
        const qreal height = side * device_.logicalDpiY();
        grid.pitch = std::clamp(height / (frame_.rows - 1), grid.pitch * (1 - PitchRange),
                                grid.pitch * (1 + PitchRange));
        const qreal width = metrics.horizontalAdvance(u' ') * (frame_.columns - 1);
        const qreal room = side * device_.logicalDpiX();
        if (width > room) {
            grid.xScale = std::max(room / width, NarrowestCells);
        }
        return grid;
    }

    void drawLine(const QFontMetricsF& metrics, const Grid& grid, const QString& text,
                  const text::CellStarts& cells) {
        const QPointF origin(0.0, y_ + metrics.ascent());
        if (grid.xScale != 1.0) {
            painter_.save();
            painter_.scale(grid.xScale, 1.0);
        }
        // Laid out in characters: columns and frame dots line up.
        if (!drawInTheFace(metrics, origin, text)) {
            drawFixedPitch(painter_, metrics, origin, text, cells);
        }
        if (grid.xScale != 1.0) {
            painter_.restore();
        }
    }

    // Draws a line whose every character the face has, each at its cell, the blanks left out:
    // no shaping, and no glyphs for the spaces. False (nothing drawn) for any other line.
    bool drawInTheFace(const QFontMetricsF& metrics, QPointF origin, const QString& text) {
        if (!face_.isValid()) {
            face_ = QRawFont::fromFont(QFont(font_, &device_));
            if (!face_.isValid()) {
                return false;
            }
        }
        const qreal cell = metrics.horizontalAdvance(u' ');
        QList<quint32> glyphs;
        QList<QPointF> positions;
        glyphs.reserve(text.size());
        positions.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c == u' ') {
                continue;
            }
            if (c >= glyphs_.size()) {
                return false;
            }
            if (glyphs_[c] == Unknown) {
                const QList<quint32> found = face_.glyphIndexesForString(QString(QChar(c)));
                glyphs_[c] = found.size() == 1 ? found.front() : 0;
            }
            if (glyphs_[c] == 0) {
                return false; // the face lacks it: another face will draw it
            }
            glyphs.append(glyphs_[c]);
            positions.append(QPointF(cell * static_cast<qreal>(i), 0.0));
        }
        QGlyphRun run;
        run.setRawFont(face_);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter_.drawGlyphRun(origin, run);
        return true;
    }

    // Whether the operations of the first copy are kept, to be given again for the further ones.
    bool recording() const { return copies_ > 1 && !replaying_; }
    void record(std::function<void()> operation) {
        copy_.push_back([this, operation = std::move(operation)] {
            replaying_ = true;
            operation();
            replaying_ = false;
        });
    }

    QPagedPaintDevice& device_;
    QPrinter* printer_;
    Destination destination_;
    QPainter painter_;
    QFont font_;
    static constexpr quint32 Unknown = 0xFFFFFFFF;
    QRawFont face_;                       // the font in device pixels; invalid until first needed
    std::array<quint32, 0x300> glyphs_{}; // by character: its glyph, 0 if none, or Unknown
    struct {
        int columns = 0;
        int rows = 0;
    } frame_;       // of the labels being printed; none before setLabelFrame
    qreal y_ = 0.0; // top of the next line, in device pixels from the printable area's top
    int linesOnPage_ = 0;
    QPageRanges range_; // the pages to print; empty: all
    int page_ = 1;      // the page being laid out, from 1
    int pages_ = 0;     // pages printed
    bool emitted_ = false;
    bool ended_ = false;
    int copies_ = 1; // that this printer prints itself
    std::vector<std::function<void()>> copy_;
    bool replaying_ = false;
};

// A QtPrinter that owns its device.
template <class Device> class Owning final : public Printer {
public:
    Owning(std::unique_ptr<Device> device, QPrinter* printer, Destination destination)
        : device_(std::move(device))
        , printer_(*device_, printer, std::move(destination)) {}

    void setFontName(const QString& face) override { printer_.setFontName(face); }
    void setBold(bool bold) override { printer_.setBold(bold); }
    void setFontSize(float points) override { printer_.setFontSize(points); }
    void setLabelFrame(int columns, int rows) override { printer_.setLabelFrame(columns, rows); }
    void printLine(const QString& text, const text::CellStarts& cells) override {
        printer_.printLine(text, cells);
    }
    void newPage() override { printer_.newPage(); }
    void endDocument() override { printer_.endDocument(); }
    QString outcome() const override { return printer_.outcome(); }

private:
    std::unique_ptr<Device> device_; // first: it outlives the printer that draws on it
    QtPrinter printer_;
};

std::unique_ptr<Printer> pdfPrinter(std::unique_ptr<QPdfWriter> writer, const QString& path,
                                    Paper paper) {
    if (paper == Paper::Default) {
        paper = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? Paper::Letter
                                                                                   : Paper::A4;
    }
    const QPageLayout layout(QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4),
                             QPageLayout::Portrait,
                             QMarginsF(PdfMargin, PdfMargin, PdfMargin, PdfMargin),
                             QPageLayout::Point);
    writer->setPageLayout(layout);
    writer->setCreator(QStringLiteral("Corvane"));
    return std::make_unique<Owning<QPdfWriter>>(std::move(writer), nullptr, toFile(path));
}

} // namespace

QString whyNoDefaultPrinter() {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        return {};
    }
    // No printer, or no print server to ask: the server's own answer tells them apart.
    const QString server = QString::fromLocal8Bit(cupsServer());
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 3000, nullptr);
    if (http == nullptr) {
        const QString where =
            server.startsWith(u'/') ? server : QStringLiteral("%1:%2").arg(server).arg(ippPort());
        return QStringLiteral("There is no default printer: the print server at %1 does not "
                              "answer.")
            .arg(where);
    }
    httpClose(http);
    return QStringLiteral("There is no default printer.");
}

std::unique_ptr<Printer> makeDefaultPrinter() {
    requireGuiApplication();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        throw NoPrinterError(whyNoDefaultPrinter().toStdString());
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) {
        fail(QStringLiteral("The printer %1 cannot be used.").arg(info.printerName()));
    }
    // The job's name in the print queue, and the name cups-pdf gives its file.
    printer->setDocName(QStringLiteral("Corvane printout"));
    QPrinter* raw = printer.get();
    return std::make_unique<Owning<QPrinter>>(std::move(printer), raw,
                                              onPrinter(info.printerName()));
}

std::unique_ptr<Printer> makePrinter(QPrinter& printer) {
    requireGuiApplication();
    if (printer.docName().isEmpty()) {
        printer.setDocName(QStringLiteral("Corvane printout"));
    }
    const bool toPdf =
        printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    return std::make_unique<QtPrinter>(printer, &printer,
                                       toPdf ? toFile(printer.outputFileName())
                                             : onPrinter(printer.printerName()));
}

std::unique_ptr<Printer> makePdfPrinter(const QString& path, Paper paper) {
    requireGuiApplication();
    return pdfPrinter(std::make_unique<QPdfWriter>(path), path, paper);
}

std::unique_ptr<Printer> makePdfPrinter(QIODevice& device, const QString& name, Paper paper) {
    requireGuiApplication();
    return pdfPrinter(std::make_unique<QPdfWriter>(&device), name, paper);
}

} // namespace corvane::print
