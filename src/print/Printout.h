#pragma once

#include "print/Printer.h"
#include "views/FormState.h"

namespace corvane::print {

// Prints what the display list holds in the layout that PrintKind names. An empty display list
// prints nothing and begins no document.
void Printout(const views::FormState& state, Printer& printer);

} // namespace corvane::print
