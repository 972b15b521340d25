#include "guide/Guide.h"
#include "views/FormState.h"

namespace corvane::views {

void ShowUsersGuide(FormState& state) {
    state.List1.lines.append(guide::GuideLines());
    state.PrintKind = PrintGuide;
}

} // namespace corvane::views
