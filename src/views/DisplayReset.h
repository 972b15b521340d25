#pragma once

#include "views/FormState.h"

// Loading, saving and resetting the display configuration.
namespace corvane::views {

// Loads both configurations from the settings file. On failure the configuration in force
// stays, StatusLine and SettingsProblem say why, and the result is false; on success
// SettingsProblem is cleared.
bool LoadDisplaySettings(FormState& state);

// Saves both configurations. On failure the earlier file stays whole, StatusLine says why, and
// the result is false; on success SettingsProblem is cleared.
bool SaveDisplaySettings(FormState& state);

// Make the list (ResetList) or the label (ResetLabel) display current and reload both
// configurations from the settings file.
void ResetList(FormState& state);
void ResetLabel(FormState& state);

} // namespace corvane::views
