#pragma once

#include "framework/ModuleState.h"

namespace hollin::importer {

// The module state of this library: every operation that opens a window makes
// it current, so that the dialogs are made from this library's templates.
hollin::framework::ModuleState& ThisLibraryModuleState();

}  // namespace hollin::importer
