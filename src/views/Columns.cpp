#include "views/Columns.h"

#include "text/Format.h"

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

QString headings(const std::vector<int>& items, Display display) {
    QString line;
    for (const int code : items) {
        line += lookOf(code, display).heading;
    }
    return line;
}

void appendCells(QString& line, const SongRow& row, const std::vector<int>& items,
                 Display display) {
    for (const int code : items) {
        const QString& value = row[static_cast<std::size_t>(code)];
        const QStringView format = lookOf(code, display).format;
        // A duration is shown as a clock time and never cut.
        line += code == Time ? text::formatClock(value, format) : text::formatText(value, format);
    }
}

} // namespace corvane::views
