#pragma once

#include "text/Format.h"
#include "views/DisplayConfiguration.h"

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <vector>

// The song items as columns: one table that the selected playlist's list and the CD label both
// lay their headings and cells out by.
namespace corvane::views {

// One song's cells, one per item code.
using SongRow = std::array<QString, ItemCount>;

// A column as one display shows it. The heading is as wide as the cells, so the two line up.
struct ColumnLook {
    QStringView heading;
    QStringView format; // a text pattern; for Time a clock pattern
};

struct Column {
    std::int16_t listWidth;  // what the chooser adds to ListWidth for this item
    std::int16_t labelWidth; // and to LabelWidth
    ColumnLook list;
    ColumnLook label; // where the label differs from the list; empty where it does not
};

// By item code. The label's Time, Genre and Year are one character narrower than the list's.
inline constexpr std::array<Column, ItemCount> Columns = {{
    {31, 30, {u"SONG TITLE -----------------  ", u"!@@@@@@@@@@@@@@@@@@@@@@@@@@@@@ "}, {}},
    {22, 21, {u"ARTIST ------------  ", u"!@@@@@@@@@@@@@@@@@@@@ "}, {}},
    {6, 5, {u"TIME  ", u"h:nn  "}, {u"TIME ", u"h:nn "}},
    {7, 7, {u"RATING ", u"!@@@@@  "}, {}},
    {12, 11, {u"GENRE ----  ", u"!@@@@@@@@@@@ "}, {u"GENRE ---  ", u"!@@@@@@@@@@ "}},
    {6, 5, {u"YEAR  ", u"!@@@@  "}, {u"YEAR ", u"!@@@@ "}},
    {29, 28, {u"ALBUM --------------------  ", u"!@@@@@@@@@@@@@@@@@@@@@@@@@@@ "}, {}},
    {5, 5, {u"TYPE ", u"!@@@  "}, {}},
}};

// The item codes at positions 0 to `lastItem` of `order`, left to right; codes of a damaged
// configuration that name no item are left out.
std::vector<int> shownItems(const std::array<std::int16_t, ItemCount>& order, int lastItem);

// The columns of some items side by side, as one display lays them out: read once, then used
// for every row of a listing.
class ColumnSet {
public:
    ColumnSet(const std::vector<int>& items, Display display);

    // The headings, side by side.
    QString headings() const;
    // Appends the cells of `row` to `line`.
    void appendCells(text::Line& line, const SongRow& row) const;
    // Starts fetching the texts of a row whose cells will be laid out soon: a sorted table's
    // texts lie all over memory.
    void prefetch(const SongRow& row) const;

private:
    struct Shown {
        std::size_t item;
        QStringView heading;
        text::Pattern format;
    };
    std::vector<Shown> columns_;
};

} // namespace corvane::views
