#pragma once

#include "views/Columns.h"

#include <vector>

// The sort of the song table: what the sort buttons and the minor-sort mode order by.
namespace corvane::views {

// Reorders rows 0 to `lastRow` of `table` by one column: sort codes 0-7 ascending by that item
// code, 8-15 descending by (code - 8). Stable.
void Sort(std::vector<SongRow>& table, int sortCode, int lastRow);

} // namespace corvane::views
