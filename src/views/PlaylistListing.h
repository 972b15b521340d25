#pragma once

#include "views/FormState.h"

namespace corvane::views {

// Appends the numbered list of every playlist under its heading (the caller clears the list).
void ListPlaylists(FormState& state);

} // namespace corvane::views
