#pragma once

#include <QString>
#include <stdexcept>

// The printer as the printout drives it: six operations and no others. Backends: the default
// printer and PDF through Qt, plain-text pages, and a recording printer for tests.
//
// A backend begins its document with the first printed line, so a printout that prints nothing
// begins no document. A backend that cannot print throws PrintError.
namespace corvane::print {

class PrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Printer {
public:
    virtual ~Printer() = default;
    virtual void setFontName(const QString& face) = 0;
    virtual void setBold(bool bold) = 0;
    virtual void setFontSize(float points) = 0;
    // The text from the left edge on the next line down; an empty text takes one line's height.
    virtual void printLine(const QString& text = {}) = 0;
    virtual void newPage() = 0;
    // Ends the document and hands it to the printer.
    virtual void endDocument() = 0;
};

} // namespace corvane::print
