#pragma once

#include "views/FormState.h"

#include <cstdint>

// The hover tip: while the list of playlists shows, Text1 shows the line under the pointer.
namespace corvane::views {

// Where the display list's rows are, in pixels, as the window last laid them out.
struct ListBoxGeometry {
    int clientWidth = 0; // the client area, without frame and scroll bars
    int clientHeight = 0;
    int rowHeight = 1; // every row is this tall
    int topIndex = 0;  // the row shown at the top (scrolled)
};

// The row nearest to the point (x, y) of the list's client area, in the low 16 bits, and 1 in
// the high 16 bits when the point lies outside the client area.
std::int32_t ListBoxItemFromPoint(const DisplayList& list, const ListBoxGeometry& geometry,
                                  std::int32_t x, std::int32_t y);

// A mouse move at (X, Y) twips over the display list.
void List1_MouseMove(FormState& state, const ListBoxGeometry& geometry, float X, float Y,
                     float twipsPerPixelX, float twipsPerPixelY);

} // namespace corvane::views
