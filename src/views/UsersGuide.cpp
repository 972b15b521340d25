#include "guide/Guide.h"
#include "views/FormState.h"

namespace corvane::views {

void ShowUsersGuide(FormState& state) {
    for (const QString& line : guide::GuideLines()) {
        state.List1.AddItem(line, {line == u"\f" ? LineKind::FormFeed : LineKind::Text});
    }
    state.PrintKind = PrintLayout::Guide;
}

} // namespace corvane::views
