// Starts the library's module object when the host loads the library and
// stops it when the host unloads it (or the process ends). Everything it
// touches is made on first use, so the start may run before the library's
// other static objects are initialised.

#include <cstdlib>

#include "l10n/C3DSImporterApp.h"
#include "plugin/ImporterEntry.h"
#include "plugin/ThisLibraryModuleState.h"

namespace hollin::importer {

namespace {

hollin::l10n::C3DSImporterApp& TheApp() {
    static hollin::l10n::C3DSImporterApp app(&ReleaseImporter);
    return app;
}

void StopModule() {
    hollin::framework::AFX_MAINTAIN_STATE2 moduleState(&ThisLibraryModuleState());
    TheApp().ExitInstance();
}

__attribute__((constructor)) void StartModule() {
    hollin::framework::AFX_MAINTAIN_STATE2 moduleState(&ThisLibraryModuleState());
    TheApp().InitInstance();
    // Handlers registered from a library run at its unload, and in reverse
    // order: registered now, the stop comes before the static objects that
    // the start made are destroyed, both at unload and at process exit.
    std::atexit(StopModule);
}

}  // namespace

}  // namespace hollin::importer
