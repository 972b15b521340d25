#pragma once

#include "views/FormState.h"

namespace corvane::views {

// What the window must rebuild after an item button: nothing, the list or the label.
enum class Rebuild { None, List, Label };

// The item button `Index` (an item code): appends that item to the custom display of the
// current display kind. The caller clears the display list and rebuilds what it is told to.
Rebuild cmdCustom_Click(FormState& state, int Index);

} // namespace corvane::views
