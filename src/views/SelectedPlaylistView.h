#pragma once

#include "views/FormState.h"

namespace corvane::views {

// Appends the selected playlist as a numbered table in the list configuration's columns (the
// caller clears the display list); the user's guide while no playlist is selected.
void ListSelectedPlaylists(FormState& state);

} // namespace corvane::views
