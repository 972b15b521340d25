#pragma once

#include "print/Printer.h"

#include <QStringList>

namespace corvane::print {

// Keeps every operation in order, one line of text each, so a test compares a printout with
// the sequence it expects:
//   "font Courier New", "bold 1", "size 8", "line <text>" ("line" alone for an empty line),
//   "page", "end".
class RecordingPrinter final : public Printer {
public:
    void setFontName(const QString& face) override;
    void setBold(bool bold) override;
    void setFontSize(float points) override;
    void printLine(const QString& text = {}) override;
    void newPage() override;
    void endDocument() override;

    const QStringList& operations() const { return operations_; }
    // The printed lines page by page (what a text printout holds), font operations left out.
    QList<QStringList> pages() const;

private:
    QStringList operations_;
};

} // namespace corvane::print
