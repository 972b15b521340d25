#pragma once

#include "views/FormState.h"

namespace corvane::views {

// Appends the selected playlist as a numbered table in the list configuration's columns (the
// caller clears the display list); the user's guide while no playlist is selected.
void ListSelectedPlaylists(FormState& state);

// The sort button at list position `Index`: records the sort request and lists the playlist.
void cmdSort_Click(FormState& state, int Index);

// Toggles minor-sort mode while a playlist is selected.
void cmdMinorSort_Click(FormState& state);

} // namespace corvane::views
