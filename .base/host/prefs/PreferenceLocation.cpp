#include "PreferenceLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace hollin::prefs {

namespace {

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path ConfigFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') return configHome;
    return HomeFolder() / ".config";
}

}  // namespace

std::filesystem::path DefaultPreferenceFilePath() {
    return ConfigFolder() / "Korvanta" / "preferences.json";
}

}  // namespace hollin::prefs
