#include "views/CustomDisplay.h"

#include <algorithm>

namespace corvane::views {
namespace {

// Font size, indent and songs a page follow from the list's width: the wider, the smaller.
void fitList(DisplayConfiguration& c) {
    struct Fit {
        int above;
        std::int16_t fontSize, indent, songsPerPage;
    };
    static constexpr std::array<Fit, 5> fits = {
        {{0, 11, 2, 54}, {77, 10, 2, 60}, {80, 9, 4, 66}, {85, 8, 6, 78}, {95, 7, 2, 88}}};
    for (const Fit& f : fits) {
        if (f.above == 0 || c.ListWidth > f.above) {
            c.ListFontSize = f.fontSize;
            c.ListIndent = f.indent;
            c.ListSongsPerPage = f.songsPerPage;
        }
    }
}

void fitLabel(DisplayConfiguration& c) {
    const bool wide = c.LabelWidth > 65;
    c.LabelFontSize = wide ? 6 : 8;
    c.LabelLineWidth = wide ? 94 : 70;
    c.LabelIndent = wide ? 7 : 0;
    c.LabelRows = wide ? 42 : 32;
}

} // namespace

Rebuild cmdCustom_Click(FormState& state, int Index) {
    if (!state.playlistSelected() || Index < 0 || Index >= ItemCount) {
        return Rebuild::None;
    }
    const auto item = static_cast<std::size_t>(Index);
    // Album and Type carry no caption in the label display: they cannot be chosen there.
    const QString& itemCaption = state.CustomCaptions[item];
    if (itemCaption.isEmpty() ||
        (state.DisplayKind != Display::List && state.DisplayKind != Display::Label)) {
        return Rebuild::None;
    }
    DisplayConfiguration& c = state.Configuration;
    const bool list = state.DisplayKind == Display::List;
    if (!state.CustomActive) {
        state.CustomActive = true;
        state.NextPosition = -1;
        if (list) {
            state.PrintCaption = caption::CustomList;
            c.ListFontSize = 11;
            c.ListWidth = 9;
            c.ListLastItem = -1;
        } else {
            state.PrintCaption = caption::CustomLabel;
            c.LabelFontSize = 11;
            c.LabelWidth = 0;
            c.LabelLastItem = -1;
        }
        // The sort buttons record the chosen items: none yet.
        state.SortCaptions.fill(QStringLiteral(" "));
    }
    // Each item appears once.
    if (std::find(state.SortCaptions.begin(), state.SortCaptions.end(), itemCaption) !=
        state.SortCaptions.end()) {
        return Rebuild::None;
    }
    // Only a click that rebuilds the view changes what PRINT prints: a label stays a label.
    state.PlaylistsShowing = 0;
    state.PrintKind = PrintLayout::List;

    if (list) {
        c.ListWidth = static_cast<std::int16_t>(c.ListWidth + Columns[item].listWidth);
        fitList(c);
    } else {
        c.LabelWidth = static_cast<std::int16_t>(c.LabelWidth + Columns[item].labelWidth);
        fitLabel(c);
    }
    ++state.NextPosition;
    if (state.NextPosition >= ItemCount) {
        return Rebuild::None;
    }
    const auto position = static_cast<std::size_t>(state.NextPosition);
    state.SortCaptions[position] = ItemNames[item];
    if (list) {
        ++c.ListLastItem;
        c.ListOrder[position] = static_cast<std::int16_t>(Index);
        return Rebuild::List;
    }
    ++c.LabelLastItem;
    c.LabelOrder[position] = static_cast<std::int16_t>(Index);
    return Rebuild::Label;
}

} // namespace corvane::views
