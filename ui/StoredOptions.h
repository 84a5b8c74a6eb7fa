#pragma once

#include <cstdint>

#include "ImportOptions.h"

namespace hollin::ui {

// Map keys of the two import options; the preference store uses the same
// names under kPreferenceSection.
inline constexpr char16_t kMergeCoplanarFacesKey[] = u"ImportMergeCoplanarFaces";
inline constexpr char16_t kUnitsKey[] = u"ImportUnits";
inline constexpr char16_t kPreferenceSection[] = u"3DS Importer";

// Both options read from the preference store: the merge flag as a Bool
// value (false when nothing is stored) and the unit index as an Int value
// (0 when nothing is stored, any stored value taken as it is).
ImportOptions ReadStoredOptions();

// Writes both options to the preference store. Missing keys are added to
// `options` as empty values, which store as false and 0.
void WriteStoredOptions(ImportOptions& options);

// The options one conversion runs with.
struct ResolvedOptions {
    bool mergeCoplanarFaces = false;
    std::int32_t units = 0;
};

// The stored options, each overridden by the host's entry of the same key
// when that entry has the option's own type (Bool for the merge flag, Int for
// the units). `hostOptions` may be null; it is never changed, and nothing is
// written back to the store.
ResolvedOptions ResolveOptions(const ImportOptions* hostOptions);

}  // namespace hollin::ui
