#include "ui/StoredOptions.h"

#include "Preferences.h"

namespace hollin::ui {

using hollin::utils::Utf16String;
using hollin::utils::Variant;

ImportOptions ReadStoredOptions() {
    ImportOptions options;
    const hollin::prefs::IPreferences& store = hollin::prefs::Get();
    const Utf16String section(kPreferenceSection);

    const Utf16String mergeKey(kMergeCoplanarFacesKey);
    options[mergeKey] = store.ReadBool(section, mergeKey, false);

    const Utf16String unitsKey(kUnitsKey);
    options[unitsKey] = store.ReadInt(section, unitsKey, 0);
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

ResolvedOptions ResolveOptions(const ImportOptions* hostOptions) {
    ImportOptions stored = ReadStoredOptions();
    const Utf16String mergeKey(kMergeCoplanarFacesKey);
    const Utf16String unitsKey(kUnitsKey);

    ResolvedOptions resolved;
    resolved.mergeCoplanarFaces = stored[mergeKey].AsBool();
    resolved.units = stored[unitsKey].AsInt32();
    if (hostOptions == nullptr) return resolved;

    // A host entry of another type is ignored without a word: hosts pass
    // loosely typed maps, and a wrongly typed value must not pick a unit.
    const auto merge = hostOptions->find(mergeKey);
    if (merge != hostOptions->end() && merge->second.GetType() == Variant::Bool) {
        resolved.mergeCoplanarFaces = merge->second.AsBool();
    }
    const auto units = hostOptions->find(unitsKey);
    if (units != hostOptions->end() && units->second.GetType() == Variant::Int) {
        resolved.units = units->second.AsInt32();
    }
    return resolved;
}

}  // namespace hollin::ui
