#pragma once

#include "views/FormState.h"

namespace corvane::print {

// Fills the display list with the selected playlist laid out as CD case label blocks; the
// user's guide while no playlist is selected.
void Label(views::FormState& state);

} // namespace corvane::print
