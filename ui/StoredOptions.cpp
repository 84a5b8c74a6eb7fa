#include "ui/StoredOptions.h"

#include "Preferences.h"

namespace hollin::ui {

using hollin::settings::kMergeCoplanarFacesKey;
using hollin::settings::kPreferenceSection;
using hollin::settings::kUnitsKey;
using hollin::utils::Utf16String;

ImportOptions ReadStoredOptions() {
    const hollin::settings::ImportSettings stored = hollin::settings::ResolveImportSettings(hollin::prefs::Get(), {});
    ImportOptions options;
    options[Utf16String(kMergeCoplanarFacesKey)] = stored.mergeCoplanarFaces;
    options[Utf16String(kUnitsKey)] = stored.units;
    return options;
}

void WriteStoredOptions(ImportOptions& options) {
    hollin::prefs::IPreferences& store = hollin::prefs::Get();
    const Utf16String section(kPreferenceSection);

    const Utf16String mergeKey(kMergeCoplanarFacesKey);
    store.WriteBool(section, mergeKey, options[mergeKey].AsBool());

    const Utf16String unitsKey(kUnitsKey);
    store.WriteInt(section, unitsKey, options[unitsKey].AsInt32());
}

}  // namespace hollin::ui
