#pragma once

#include "text/Format.h"

#include <QString>
#include <stdexcept>

// The printer as the printout drives it: six operations, the cells of a line where they must be
// drawn each on its own, and the size of the label frames. Backends: printers and PDF through
// Qt, plain-text pages, and a recording printer for tests.
//
// A backend begins its document with the first printed line, so a printout that prints nothing
// begins no document. A backend that cannot print throws PrintError.
namespace corvane::print {

class PrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// There is no printer to print on: none is the default, or the print server does not answer.
// Where the user can choose another (the window's print dialog), that is the way on.
class NoPrinterError : public PrintError {
public:
    using PrintError::PrintError;
};

class Printer {
public:
    virtual ~Printer() = default;
    virtual void setFontName(const QString& face) = 0;
    virtual void setBold(bool bold) = 0;
    virtual void setFontSize(float points) = 0;
    // The text from the left edge on the next line down; an empty text takes one line's height.
    // `cells`: where the line's cells begin, each to be laid out on its own (see
    // text::CellStarts); none, the line is one run.
    virtual void printLine(const QString& text = {}, const text::CellStarts& cells = {}) = 0;
    virtual void newPage() = 0;
    // Ends the document and hands it to the printer.
    virtual void endDocument() = 0;

    // From here to the end of the document the lines draw label frames of `columns` characters
    // and `rows` lines from border to border. A printer on paper sizes its character cells and
    // line pitch so that a frame cut out fits a CD jewel case; others ignore it.
    virtual void setLabelFrame(int columns, int rows) {
        static_cast<void>(columns);
        static_cast<void>(rows);
    }

    // Once the document has ended, where it went and how many pages it took ("Printed 3 pages
    // on CorvanePDF", "Saved 2 pages to ~/label.pdf"); empty where there is nothing to tell.
    virtual QString outcome() const { return {}; }
};

} // namespace corvane::print
