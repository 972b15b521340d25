#include "print/QtPrinter.h"

#include "print/FixedPitch.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

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
        if (!text.isEmpty()) {
            // Laid out in characters: columns and frame dots line up.
            drawFixedPitch(painter_, metrics, QPointF(0.0, y_ + metrics.ascent()), text);
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
    }

    std::unique_ptr<QPagedPaintDevice> device_;
    QPrinter* printer_;
    QString target_;
    QPainter painter_;
    QFont font_;
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
