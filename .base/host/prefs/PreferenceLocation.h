#pragma once

#include <filesystem>

namespace hollin::prefs {

// $XDG_CONFIG_HOME/Korvanta/preferences.json; an unset or relative
// XDG_CONFIG_HOME means ~/.config.
std::filesystem::path DefaultPreferenceFilePath();

}  // namespace hollin::prefs
