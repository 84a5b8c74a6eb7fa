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

}  // namespace hollin::ui
