#include "views/Columns.h"

namespace corvane::views {
namespace {

const ColumnLook& lookOf(int code, Display display) {
    const Column& column = Columns[static_cast<std::size_t>(code)];
    return display == Display::Label && !column.label.format.isEmpty() ? column.label : column.list;
}

} // namespace

std::vector<int> shownItems(const std::array<std::int16_t, ItemCount>& order, int lastItem) {
    std::vector<int> items;
    for (int j = 0; j <= lastItem && j < ItemCount; ++j) {
        const int code = order[static_cast<std::size_t>(j)];
        if (code >= 0 && code < ItemCount) {
            items.push_back(code);
        }
    }
    return items;
}

ColumnSet::ColumnSet(const std::vector<int>& items, Display display) {
    for (const int code : items) {
        const ColumnLook& look = lookOf(code, display);
        columns_.push_back({static_cast<std::size_t>(code), look.heading, look.format});
    }
}

QString ColumnSet::headings() const {
    QString line;
    for (const Shown& column : columns_) {
        line += column.heading;
    }
    return line;
}

void ColumnSet::appendCells(text::Line& line, const SongRow& row) const {
    for (const Shown& column : columns_) {
        // A duration is shown as a clock time and never cut.
        if (column.item == Time) {
            text::appendClock(line, row[column.item], column.format);
        } else {
            text::appendText(line, row[column.item], column.format);
        }
    }
}

void ColumnSet::prefetch(const SongRow& row) const {
    for (const Shown& column : columns_) {
        __builtin_prefetch(row[column.item].constData());
    }
}

} // namespace corvane::views
