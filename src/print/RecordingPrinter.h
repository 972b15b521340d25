#pragma once

#include "print/Printer.h"

#include <QList>
#include <QPair>
#include <QStringList>

namespace corvane::print {

// Keeps every operation in order, one line of text each, so a test compares a printout with
// the sequence it expects:
//   "font Courier New", "bold 1", "size 8", "line <text>" ("line" alone for an empty line),
//   "page", "end", and "frame <columns>x<rows>" for the label frames. Where a line's cells are
//   kept, cells() has them by the line's place among the printed lines.
class RecordingPrinter final : public Printer {
public:
    void setFontName(const QString& face) override;
    void setBold(bool bold) override;
    void setFontSize(float points) override;
    void printLine(const QString& text = {}, const text::CellStarts& cells = {}) override;
    void newPage() override;
    void endDocument() override;
    void setLabelFrame(int columns, int rows) override;
    // "Recorded 2 pages", once the document has ended.
    QString outcome() const override;

    const QStringList& operations() const { return operations_; }
    // The cells of each printed line, by the line's place among them (from 0), for those that
    // have them.
    const QList<QPair<int, text::CellStarts>>& cells() const { return cells_; }
    // The printed lines page by page (what a text printout holds), font operations left out.
    QList<QStringList> pages() const;

private:
    QStringList operations_;
    int lines_ = 0;
    QList<QPair<int, text::CellStarts>> cells_;
};

} // namespace corvane::print
