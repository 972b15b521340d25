#pragma once

#include "print/Printer.h"

#include <QIODevice>
#include <QString>
#include <memory>

class QPrinter;

// Printing on paper and to PDF through Qt. Both need a QGuiApplication (the offscreen platform
// will do). Lines are advanced by the font's line spacing from the top of the printable area; a
// line that would run past its foot goes on a new page. Label frames are sized to fit a CD jewel
// case's booklet slot (120 x 120 mm): their line pitch, and where they would be too wide their
// character cells, are set on paper alone, so every line keeps its text.
namespace corvane::print {

enum class Paper { Default, Letter, A4 };

// The side of a label frame on paper, from the centre of a border dot to the centre of the
// opposite one.
constexpr double LabelFrameMillimetres = 118.0;

// Why there is no default printer to print on, as the status line says it ("There is no default
// printer", "... the print server at localhost:631 does not answer"); empty when there is one.
QString whyNoDefaultPrinter();

// The user's default printer (through CUPS), on the paper it is set up for. Throws
// NoPrinterError, with whyNoDefaultPrinter(), when there is none.
std::unique_ptr<Printer> makeDefaultPrinter();

// A printer as the user set it up in the print dialog or the preview: the printer or PDF file
// chosen there, with its copies, page range and paper. `printer` must outlive the result.
std::unique_ptr<Printer> makePrinter(QPrinter& printer);

// A PDF file at `path`, written when the document ends; Paper::Default is letter where the
// locale measures in US units and A4 elsewhere.
std::unique_ptr<Printer> makePdfPrinter(const QString& path, Paper paper = Paper::Default);
// The same onto an open device, which the caller checks and closes; `name` is the file's name as
// the user knows it, for errors and the outcome.
std::unique_ptr<Printer> makePdfPrinter(QIODevice& device, const QString& name,
                                        Paper paper = Paper::Default);

} // namespace corvane::print
