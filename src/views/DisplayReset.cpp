#include "views/DisplayReset.h"

namespace corvane::views {
namespace {

// Sort button i carries the name of the item shown at list position i.
void showListOrderOnSortButtons(FormState& state) {
    const DisplayConfiguration& c = state.Configuration;
    for (int i = 0; i <= c.ListLastItem && i < ItemCount; ++i) {
        state.SortCaptions[static_cast<std::size_t>(i)] =
            ItemNames[static_cast<std::size_t>(c.ListOrder[static_cast<std::size_t>(i)])];
    }
}

} // namespace

bool LoadDisplaySettings(FormState& state) {
    const DisplaySettingsFile::Loaded loaded = state.SettingsFile.load();
    if (!loaded.configuration) {
        state.StatusLine = loaded.error;
        state.SettingsProblem = loaded.error;
        return false;
    }
    state.Configuration = *loaded.configuration;
    state.SettingsProblem.clear();
    return true;
}

bool SaveDisplaySettings(FormState& state) {
    const QString error = state.SettingsFile.save(state.Configuration);
    if (!error.isEmpty()) {
        state.StatusLine = error;
        return false;
    }
    state.SettingsProblem.clear(); // the file now holds the display in force
    return true;
}

void ResetList(FormState& state) {
    state.PlaylistsShowing = 0;
    state.PrintKind = PrintLayout::List;
    state.DisplayKind = Display::List;
    state.PrintCaption = caption::SelectedList;
    state.MinorSortCaption = caption::MinorSortOff;
    state.MinorSortOn = false;
    state.CustomActive = false;
    // No previous sort: the next click on any sort button sorts ascending.
    state.LastSort = -1;
    state.SortCaptions.fill(QString());
    state.CustomCaptions[Album] = ItemNames[Album];
    state.CustomCaptions[Type] = ItemNames[Type];
    // A file that cannot be used leaves the configuration in force, and the sort buttons then
    // name its columns, so that what is shown and what can be sorted agree.
    LoadDisplaySettings(state);
    showListOrderOnSortButtons(state);
}

void ResetLabel(FormState& state) {
    state.PlaylistsShowing = 0;
    state.PrintKind = PrintLayout::List;
    state.DisplayKind = Display::Label;
    state.PrintCaption = caption::LabelView;
    state.CustomActive = false;
    state.LastSort = -1;
    LoadDisplaySettings(state);
    // Album and Type are too wide for a label: their buttons cannot be chosen there.
    state.CustomCaptions[Album].clear();
    state.CustomCaptions[Type].clear();
}

} // namespace corvane::views
