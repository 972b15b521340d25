#include "views/Sort.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

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

// A key's first four UTF-16 units, packed so that comparing the numbers orders the keys as
// comparing their units does, as far as those units go.
std::uint64_t prefixOf(QStringView key) {
    std::uint64_t prefix = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        prefix = prefix << 16 | (i < key.size() ? key[i].unicode() : 0U);
    }
    return prefix;
}

struct Keyed {
    std::uint64_t prefix;
    const QChar* key; // the whole key, read only where the prefixes tie
    std::uint32_t size;
    std::uint32_t row;

    QStringView view() const { return {key, size}; }
};

} // namespace

void Sort(std::vector<SongRow>& table, int sortCode, int lastRow) {
    if (sortCode < 0 || sortCode >= 2 * ItemCount) {
        return;
    }
    const bool descending = sortCode >= ItemCount;
    const int column = descending ? sortCode - ItemCount : sortCode;
    const auto rows =
        static_cast<std::size_t>(std::clamp(lastRow + 1, 0, static_cast<int>(table.size())));

    // Ordinal comparison of UTF-16 code units: capitals before small letters, "*" before "-"
    // before digits. Stable, so rows with equal keys keep their previous order. The rows are
    // ordered by their keys' first units, small and side by side; only runs that share them
    // are compared further, by the whole key.
    std::vector<Keyed> order(rows);
    constexpr std::size_t Ahead = 8;
    for (std::size_t i = 0; i < rows; ++i) {
        if (i + Ahead < rows) {
            __builtin_prefetch(table[i + Ahead][static_cast<std::size_t>(column)].constData());
        }
        const QStringView key = sortKey(table[i][static_cast<std::size_t>(column)], column);
        order[i] = {prefixOf(key), key.data(), static_cast<std::uint32_t>(key.size()),
                    static_cast<std::uint32_t>(i)};
    }
    const auto byPrefix = [descending](const Keyed& a, const Keyed& b) {
        return descending ? a.prefix > b.prefix : a.prefix < b.prefix;
    };
    const auto byKey = [descending](const Keyed& a, const Keyed& b) {
        const int c = a.view().compare(b.view(), Qt::CaseSensitive);
        return descending ? c > 0 : c < 0;
    };
    std::stable_sort(order.begin(), order.end(), byPrefix);
    for (auto run = order.begin(); run != order.end();) {
        const auto end = std::find_if(run + 1, order.end(),
                                      [&](const Keyed& k) { return k.prefix != run->prefix; });
        if (end - run <= 16) {
            // A few rows: moved up past the greater ones before them, stable.
            for (auto i = run + 1; i < end; ++i) {
                for (auto j = i; j > run && byKey(*j, *(j - 1)); --j) {
                    std::iter_swap(j, j - 1);
                }
            }
        } else if (std::any_of(run + 1, end, [&](const Keyed& k) {
                       return k.view() != run->view();
                   })) { // most long runs are one key (an artist's songs): nothing to order
            std::stable_sort(run, end, byKey);
        }
        run = end;
    }

    // The rows move into their places cycle by cycle, with no second table. The places a cycle
    // passes through are listed first, so that the rows to move next are fetched from all over
    // memory while one is moved.
    std::vector<std::uint32_t> steps; // each cycle's places, then the cycle's end marker
    steps.reserve(rows + rows / 2);
    constexpr std::uint32_t EndOfCycle = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t k = 0; k < rows; ++k) {
        if (order[k].row == k || order[k].row == EndOfCycle) {
            continue;
        }
        for (std::uint32_t place = k; order[place].row != EndOfCycle;) {
            steps.push_back(place);
            place = std::exchange(order[place].row, EndOfCycle);
        }
        steps.push_back(EndOfCycle);
    }
    const auto prefetchRow = [&](std::size_t j) {
        if (j < steps.size() && steps[j] != EndOfCycle) {
            const char* row = reinterpret_cast<const char*>(&table[steps[j]]);
            for (std::size_t line = 0; line < sizeof(SongRow); line += 64) {
                __builtin_prefetch(row + line);
            }
        }
    };
    for (std::size_t j = 0; j < steps.size(); j += 2) { // past a cycle's last place and its end
        SongRow held = std::move(table[steps[j]]);
        for (; steps[j + 1] != EndOfCycle; ++j) {
            prefetchRow(j + Ahead);
            table[steps[j]] = std::move(table[steps[j + 1]]);
        }
        table[steps[j]] = std::move(held);
    }
}

} // namespace corvane::views
