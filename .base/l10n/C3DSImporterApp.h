#pragma once

#include "framework/CWinApp.h"
#include "l10n/ResourceLoader.h"

namespace hollin::l10n {

// The library's module object: at load it picks the user's language, loads
// that language's resource library (whose dialog templates then replace the
// built-in ones) and its string table; at unload it lets go of both and of
// the importer object.
class C3DSImporterApp final : public hollin::framework::CWinApp {
public:
    // `releaseImporter` destroys the importer that the entry function made.
    explicit C3DSImporterApp(void (*releaseImporter)()) : releaseImporter_(releaseImporter) {}

    // Run with the library's module state current. Never fails: whatever is
    // missing falls back to English and the built-in templates.
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void (*releaseImporter_)();
    ResourceLoader resources_;
};

}  // namespace hollin::l10n
