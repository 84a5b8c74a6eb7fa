#include "utils/Utf16String.h"

// Get() is the library's one exported entry; everything else stays hidden.
#pragma GCC visibility push(default)
#include "Preferences.h"
#pragma GCC visibility pop

#include "PreferenceLocation.h"
#include "PreferenceStore.h"

namespace hollin::prefs {

IPreferences& Get() {
    static PreferenceStore store(DefaultPreferenceFilePath());
    return store;
}

}  // namespace hollin::prefs
