#include "views/Columns.h"

#include "text/Format.h"

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::views;

// In both displays every heading is exactly as wide as the cells under it; a label column is as
// wide as the chooser counts it, so the album line's total ends above the last column.
TEST(Columns, HeadingsAreAsWideAsTheirCells) {
    SongRow row;
    row.fill(QStringLiteral("x"));
    for (int code = 0; code < ItemCount; ++code) {
        SCOPED_TRACE(ItemNames[static_cast<std::size_t>(code)].toStdString());
        for (const Display display : {Display::List, Display::Label}) {
            const ColumnSet columns({code}, display);
            text::Line cells;
            columns.appendCells(cells, row);
            EXPECT_EQ(columns.headings().size(), cells.size());
            if (display == Display::Label) {
                EXPECT_EQ(cells.size(), Columns[static_cast<std::size_t>(code)].labelWidth);
            }
        }
    }
}
