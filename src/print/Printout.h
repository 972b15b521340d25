#pragma once

#include "print/Printer.h"
#include "views/FormState.h"

namespace corvane::print {

// Prints what the display list holds in the layout that PrintKind names. An empty display list
// prints nothing and begins no document. Throws PrintError when the printer fails, and, before
// printing anything, for a label layout without rows.
void Printout(const views::FormState& state, Printer& printer);

} // namespace corvane::print
