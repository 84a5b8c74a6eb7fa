#include "l10n/C3DSImporterApp.h"

#include "framework/ModuleState.h"
#include "l10n/LanguageSettings.h"
#include "l10n/StringTableFile.h"

namespace hollin::l10n {

using hollin::framework::AfxGetModuleState;
using hollin::framework::ModuleState;

namespace {

// The platform's ending for loadable libraries.
constexpr char kLibrarySuffix[] = ".so";

}  // namespace

bool C3DSImporterApp::InitInstance() {
    CWinApp::InitInstance();
    ModuleState* state = AfxGetModuleState();
    if (state == nullptr) return true;
    const Utf16String resourceLibrary = Utf16String::FromUtf8(state->AppName() + "Rc" + kLibrarySuffix);
    resources_.Load(ResolveResourcePath(resourceLibrary));
    if (resources_.Handle() != nullptr) state->SetResourceHandle(resources_.Handle());
    LoadLocalizedStrings(ResolveResourcePath(u"3ds_importer.strings"));
    return true;
}

int C3DSImporterApp::ExitInstance() {
    // The templates lived in the library about to go: forget them with it.
    if (ModuleState* state = AfxGetModuleState(); state != nullptr && state->ResourceHandle() == resources_.Handle()) {
        state->SetResourceHandle(nullptr);
    }
    resources_.Unload();
    DeleteLanguageSettings();
    releaseImporter_();
    return 0;
}

}  // namespace hollin::l10n
