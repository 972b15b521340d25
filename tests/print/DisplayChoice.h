#pragma once

#include "views/FormState.h"

#include <array>
#include <cstdint>
#include <vector>

// Display choices made item by item as the chooser makes them, for the print layer's tests and
// benchmarks (no test framework here: the benchmarks include it too).
namespace corvane::print::test_support {

// `codes` in turn as the items of `order`, `width` growing by each one's width in `display`.
inline void placeItems(const std::vector<int>& codes,
                       std::array<std::int16_t, views::ItemCount>& order, std::int16_t& lastItem,
                       std::int16_t& width, views::Display display) {
    lastItem = -1;
    for (const int code : codes) {
        order[static_cast<std::size_t>(++lastItem)] = static_cast<std::int16_t>(code);
        const views::Column& column = views::Columns[static_cast<std::size_t>(code)];
        width = static_cast<std::int16_t>(
            width + (display == views::Display::List ? column.listWidth : column.labelWidth));
    }
}

// The label items in this order, with the layout numbers that go with their width.
inline void chooseLabelItems(views::FormState& state, const std::vector<int>& codes) {
    views::DisplayConfiguration& c = state.Configuration;
    c.LabelWidth = 0;
    placeItems(codes, c.LabelOrder, c.LabelLastItem, c.LabelWidth, views::Display::Label);
    const bool wide = c.LabelWidth > 65;
    c.LabelFontSize = wide ? 6 : 8;
    c.LabelIndent = wide ? 7 : 0;
    c.LabelRows = wide ? 42 : 32;
    c.LabelLineWidth = wide ? 94 : 70;
    state.DisplayKind = views::Display::Label;
}

} // namespace corvane::print::test_support
