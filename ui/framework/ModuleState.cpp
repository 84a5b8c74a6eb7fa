#include "ui/framework/ModuleState.h"

#include <algorithm>

namespace hollin::framework {

namespace {

ModuleState* currentModuleState = nullptr;

}  // namespace

const DialogTemplate* ModuleState::FindDialogTemplate(std::int32_t id) const {
    const auto found = std::find_if(builtInTemplates_.begin(), builtInTemplates_.end(),
                                    [id](const DialogTemplate& dialogTemplate) { return dialogTemplate.id == id; });
    return found == builtInTemplates_.end() ? nullptr : &*found;
}

ModuleState* AfxGetModuleState() {
    return currentModuleState;
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(ModuleState* state) : previous_(currentModuleState) {
    currentModuleState = state;
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() {
    currentModuleState = previous_;
}

}  // namespace hollin::framework
