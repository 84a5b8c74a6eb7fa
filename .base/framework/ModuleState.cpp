#include "framework/ModuleState.h"

#include <dlfcn.h>

#include <algorithm>
#include <utility>

namespace hollin::framework {

namespace {

ModuleState* currentModuleState = nullptr;

// More than any dialog of this system has; a larger count is not a template.
constexpr std::int32_t kMostTemplates = 64;
constexpr std::int32_t kMostControls = 256;

bool IsDrawable(const DialogTemplate& dialogTemplate) {
    return dialogTemplate.controlCount >= 0 && dialogTemplate.controlCount <= kMostControls &&
           (dialogTemplate.controls != nullptr || dialogTemplate.controlCount == 0);
}

const DialogTemplate* FindIn(std::span<const DialogTemplate> templates, std::int32_t id) {
    const auto found = std::find_if(templates.begin(), templates.end(), [id](const DialogTemplate& dialogTemplate) {
        return dialogTemplate.id == id && IsDrawable(dialogTemplate);
    });
    return found == templates.end() ? nullptr : &*found;
}

std::span<const DialogTemplate> TemplatesOf(void* library) {
    if (library == nullptr) return {};
    auto* entry = reinterpret_cast<ResourceTemplatesFunction*>(::dlsym(library, kResourceTemplatesEntryPoint));
    if (entry == nullptr) return {};
    std::int32_t count = 0;
    const DialogTemplate* templates = entry(&count);
    if (templates == nullptr || count < 0 || count > kMostTemplates) return {};
    return {templates, static_cast<std::size_t>(count)};
}

}  // namespace

const DialogTemplate* ModuleState::FindDialogTemplate(std::int32_t id) const {
    const DialogTemplate* translated = FindIn(TemplatesOf(resourceHandle_), id);
    return translated != nullptr ? translated : FindIn(builtInTemplates_, id);
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
