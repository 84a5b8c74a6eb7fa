#pragma once

#include "ImportOptions.h"
#include "settings/ImportSettings.h"

namespace hollin::ui {

// Both dialog options read from the preference store: the merge flag as a
// Bool value (false when nothing is stored) and the unit index as an Int
// value (0 when nothing is stored, any stored value taken as it is).
ImportOptions ReadStoredOptions();

// Writes both dialog options to the preference store. Missing keys are added
// to `options` as empty values, which store as false and 0.
void WriteStoredOptions(ImportOptions& options);

// The settings one conversion runs with: the stored ones, each overridden by
// the host's entry of the same key when that entry has the setting's own
// type. `hostOptions` may be null; it is never changed, and nothing is
// written back to the store.
hollin::settings::ImportSettings ResolveImportSettings(const ImportOptions* hostOptions);

}  // namespace hollin::ui
