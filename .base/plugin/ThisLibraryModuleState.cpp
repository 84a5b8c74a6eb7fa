#include "plugin/ThisLibraryModuleState.h"

#include "resources/DialogTemplateSet.h"

namespace hollin::importer {

hollin::framework::ModuleState& ThisLibraryModuleState() {
    static hollin::framework::ModuleState state(hollin::resources::BuiltInDialogTemplates());
    return state;
}

}  // namespace hollin::importer
