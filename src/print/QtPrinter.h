#pragma once

#include "print/Printer.h"

#include <QIODevice>
#include <QString>
#include <memory>

// Printing on paper and to PDF through Qt. Both need a QGuiApplication (the offscreen platform
// will do). Lines are advanced by the font's line spacing from the top of the printable area; a
// line that would run past its foot goes on a new page.
namespace corvane::print {

enum class Paper { Default, Letter, A4 };

// The user's default printer (through CUPS), on the paper it is set up for. Throws PrintError
// when there is no default printer.
std::unique_ptr<Printer> makeDefaultPrinter();

// A PDF file at `path`, written when the document ends; Paper::Default is letter where the
// locale measures in US units and A4 elsewhere.
std::unique_ptr<Printer> makePdfPrinter(const QString& path, Paper paper = Paper::Default);
// The same onto an open device, which the caller checks and closes; `target` names it in errors.
std::unique_ptr<Printer> makePdfPrinter(QIODevice& device, const QString& target,
                                        Paper paper = Paper::Default);

} // namespace corvane::print
