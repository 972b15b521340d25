#include "print/QtPrinter.h"

#include "print/FixedPitch.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRawFont>
#include <array>

namespace corvane::print {
namespace {

// A printer's own small margins, for PDF: a sixth of an inch leaves room for the longest page
// (84 lines at 8 points) on letter paper.
constexpr qreal PdfMargin = 12.0; // points

[[noreturn]] void fail(const QString& message) {
    throw PrintError(message.toStdString());
}

void requireGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        fail(QStringLiteral("Printing needs the graphical application to be running."));
    }
}

class QtPrinter final : public Printer {
public:
    // `printer` is the same device as `device` when it is a QPrinter, so a broken-off print run
    // can be aborted rather than sent half done.
    QtPrinter(std::unique_ptr<QPagedPaintDevice> device, QPrinter* printer, QString target)
        : device_(std::move(device))
        , printer_(printer)
        , target_(std::move(target)) {
        font_.setFamily(QStringLiteral("Courier New"));
        font_.setPointSizeF(10.0);
        glyphs_.fill(Unknown);
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
        font_.setFamily(face);
        applyFont();
    }

    void setBold(bool bold) override {
        font_.setBold(bold);
        applyFont();
    }

    void setFontSize(float points) override {
        if (points > 0) {
            font_.setPointSizeF(points);
            applyFont();
        }
    }

    void printLine(const QString& text) override {
        begin();
        const QFontMetricsF metrics(font_, device_.get());
        if (linesOnPage_ > 0 && y_ + metrics.height() > device_->height()) {
            startPage();
        }
        const QPointF origin(0.0, y_ + metrics.ascent());
        // Laid out in characters: columns and frame dots line up.
        if (!text.isEmpty() && !drawInTheFace(metrics, origin, text)) {
            drawFixedPitch(painter_, metrics, origin, text);
        }
        y_ += metrics.lineSpacing();
        ++linesOnPage_;
    }

    void newPage() override {
        begin();
        startPage();
    }

    void endDocument() override {
        if (!painter_.isActive()) {
            return; // nothing printed: no document
        }
        if (!painter_.end() ||
            (printer_ != nullptr && printer_->printerState() == QPrinter::Error)) {
            fail(QStringLiteral("Cannot print to %1: it did not take the printout.").arg(target_));
        }
    }

private:
    // The document begins with its first line.
    void begin() {
        if (painter_.isActive()) {
            return;
        }
        if (!painter_.begin(device_.get())) {
            fail(QStringLiteral("Cannot print to %1.").arg(target_));
        }
        painter_.setFont(font_);
        y_ = 0.0;
        linesOnPage_ = 0;
    }

    void startPage() {
        if (!device_->newPage()) {
            fail(QStringLiteral("Cannot print to %1: it refused a new page.").arg(target_));
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

    // Draws a line whose every character the face has, each at its cell, the blanks left out:
    // no shaping, and no glyphs for the spaces. False (nothing drawn) for any other line.
    bool drawInTheFace(const QFontMetricsF& metrics, QPointF origin, const QString& text) {
        if (!face_.isValid()) {
            face_ = QRawFont::fromFont(QFont(font_, device_.get()));
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

    std::unique_ptr<QPagedPaintDevice> device_;
    QPrinter* printer_;
    QString target_;
    QPainter painter_;
    QFont font_;
    static constexpr quint32 Unknown = 0xFFFFFFFF;
    QRawFont face_;                       // the font in device pixels; invalid until first needed
    std::array<quint32, 0x300> glyphs_{}; // by character: its glyph, 0 if none, or Unknown
    qreal y_ = 0.0; // top of the next line, in device pixels from the printable area's top
    int linesOnPage_ = 0;
};

std::unique_ptr<Printer> pdfPrinter(std::unique_ptr<QPdfWriter> writer, const QString& target,
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
    return std::make_unique<QtPrinter>(std::move(writer), nullptr, target);
}

} // namespace

std::unique_ptr<Printer> makeDefaultPrinter() {
    requireGuiApplication();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        fail(QStringLiteral("There is no default printer."));
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) {
        fail(QStringLiteral("The printer %1 cannot be used.").arg(info.printerName()));
    }
    // The job's name in the print queue, and the name cups-pdf gives its file.
    printer->setDocName(QStringLiteral("Corvane printout"));
    QPrinter* raw = printer.get();
    return std::make_unique<QtPrinter>(std::move(printer), raw,
                                       QStringLiteral("the printer %1").arg(info.printerName()));
}

std::unique_ptr<Printer> makePdfPrinter(const QString& path, Paper paper) {
    requireGuiApplication();
    return pdfPrinter(std::make_unique<QPdfWriter>(path), QStringLiteral("the file %1").arg(path),
                      paper);
}

std::unique_ptr<Printer> makePdfPrinter(QIODevice& device, const QString& target, Paper paper) {
    requireGuiApplication();
    return pdfPrinter(std::make_unique<QPdfWriter>(&device), target, paper);
}

} // namespace corvane::print
