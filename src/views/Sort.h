#pragma once

#include "views/FormState.h"

// Sorting the selected playlist view: the sort buttons, the minor-sort toggle and the sort.
namespace corvane::views {

// Reorders SongTable rows 0 to `lastRow` by one column: sort codes 0-7 ascending by that item
// code, 8-15 descending by (code - 8). Stable.
void Sort(FormState& state, int sortCode, int lastRow);

// The sort button at list position `Index`: records the sort request and lists the playlist.
void cmdSort_Click(FormState& state, int Index);

// Toggles minor-sort mode while a playlist is selected.
void cmdMinorSort_Click(FormState& state);

} // namespace corvane::views
