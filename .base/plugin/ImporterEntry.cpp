#include "plugin/ImporterEntry.h"

#include "plugin/C3DSImporterPluginWin.h"

namespace hollin::importer {

namespace {

// Written only by the host's thread: at the first entry call and at unload.
C3DSImporterPluginWin* cachedImporter = nullptr;

}  // namespace

void ReleaseImporter() {
    delete cachedImporter;
    cachedImporter = nullptr;
}

}  // namespace hollin::importer

KorvantaModelImporterInterface* GetKorvantaModelImporterInterface() {
    using hollin::importer::cachedImporter;
    if (cachedImporter == nullptr) cachedImporter = new hollin::importer::C3DSImporterPluginWin();
    return cachedImporter;
}
