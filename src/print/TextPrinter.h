#pragma once

#include "print/Printer.h"

#include <QIODevice>

namespace corvane::print {

// The printout as plain UTF-8 text: each printed line followed by LF, each new page as a line
// holding one form feed. Fonts are not shown.
class TextPrinter final : public Printer {
public:
    explicit TextPrinter(QIODevice& out)
        : out_(out) {}

    void setFontName(const QString&) override {}
    void setBold(bool) override {}
    void setFontSize(float) override {}
    void printLine(const QString& text = {}, const text::CellStarts& cells = {}) override;
    void newPage() override;
    void endDocument() override;

private:
    void write(const QString& line);

    QIODevice& out_;
};

} // namespace corvane::print
