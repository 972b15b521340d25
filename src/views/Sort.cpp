#include "views/Sort.h"

#include <algorithm>

namespace corvane::views {
namespace {

// The text a cell sorts by: titles and artists drop one leading "The " or "the ".
QStringView sortKey(const QString& cell, int column) {
    if ((column == Title || column == Artist) &&
        (cell.startsWith(u"The ") || cell.startsWith(u"the "))) {
        return QStringView(cell).mid(4);
    }
    return cell;
}

} // namespace

void Sort(std::vector<SongRow>& table, int sortCode, int lastRow) {
    if (sortCode < 0 || sortCode >= 2 * ItemCount) {
        return;
    }
    const bool descending = sortCode >= ItemCount;
    const int column = descending ? sortCode - ItemCount : sortCode;
    const auto rows =
        static_cast<std::size_t>(std::clamp(lastRow + 1, 0, static_cast<int>(table.size())));

    struct Keyed {
        QStringView key;
        std::size_t row;
    };
    std::vector<Keyed> order;
    order.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        order.push_back({sortKey(table[i][static_cast<std::size_t>(column)], column), i});
    }
    // Ordinal comparison of UTF-16 code units: capitals before small letters, "*" before "-"
    // before digits. Stable, so rows with equal keys keep their previous order.
    std::stable_sort(order.begin(), order.end(), [descending](const Keyed& a, const Keyed& b) {
        const int c = a.key.compare(b.key, Qt::CaseSensitive);
        return descending ? c > 0 : c < 0;
    });

    std::vector<SongRow> sorted;
    sorted.reserve(rows);
    for (const Keyed& k : order) {
        sorted.push_back(std::move(table[k.row]));
    }
    std::move(sorted.begin(), sorted.end(), table.begin());
}

} // namespace corvane::views
