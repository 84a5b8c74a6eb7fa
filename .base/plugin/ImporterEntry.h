#pragma once

#include "KorvantaModelImporterInterface.h"

// The host finds the importer through this one exported function; the first
// call creates it, later calls return the same object.
extern "C" __attribute__((visibility("default"))) KorvantaModelImporterInterface* GetKorvantaModelImporterInterface();

namespace hollin::importer {

// Destroys the importer, if one was created; the module object calls it
// when the library unloads.
void ReleaseImporter();

}  // namespace hollin::importer
