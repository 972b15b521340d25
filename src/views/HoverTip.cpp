#include "views/HoverTip.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane::views {

std::int32_t ListBoxItemFromPoint(const DisplayList& list, const ListBoxGeometry& geometry,
                                  std::int32_t x, std::int32_t y) {
    const bool outside = x < 0 || y < 0 || x >= geometry.clientWidth || y >= geometry.clientHeight;
    const int rowHeight = std::max(geometry.rowHeight, 1);
    // The nearest row: rows above the top or below the last one give the first or last row.
    const int lastRow = std::max(list.ListCount() - 1, 0);
    const int row = std::clamp(geometry.topIndex + (y < 0 ? -1 : y / rowHeight), 0, lastRow);
    return (outside ? std::int32_t{1} << 16 : 0) | (row & 0xFFFF);
}

void List1_MouseMove(FormState& state, const ListBoxGeometry& geometry, float X, float Y,
                     float twipsPerPixelX, float twipsPerPixelY) {
    if (state.PlaylistsShowing != 1) {
        return;
    }
    const auto toPixels = [](float twips, float twipsPerPixel) {
        // Halves round to even, as the default rounding mode does.
        const double pixels = std::nearbyint(static_cast<double>(twips) / twipsPerPixel);
        return std::isfinite(pixels) ? static_cast<std::int32_t>(std::clamp(pixels, -1e9, 1e9))
                                     : std::int32_t{-1};
    };
    const std::int32_t result = ListBoxItemFromPoint(
        state.List1, geometry, toPixels(X, twipsPerPixelX), toPixels(Y, twipsPerPixelY));
    // A point outside the client area carries 1 in the high half: no 16-bit row, no tip.
    if (result > std::numeric_limits<std::int16_t>::max() || twipsPerPixelX <= 0 ||
        twipsPerPixelY <= 0) {
        state.Text1.clear();
        return;
    }
    // The heading and the empty lines around it have no tip.
    const bool playlist =
        result < state.List1.ListCount() && state.List1.role(result).kind == LineKind::Playlist;
    state.Text1 = playlist ? state.List1.List(result) : QString();
}

} // namespace corvane::views
