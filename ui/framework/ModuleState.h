#pragma once

#include <cstdint>
#include <span>

#include "ui/framework/DialogTemplate.h"

namespace hollin::framework {

// What one library shows its windows from: the dialog templates built into
// it. A dialog reads its template from the module state that is current when
// it opens, so every operation of a library that opens a window first makes
// that library's state current (AFX_MAINTAIN_STATE2).
class ModuleState {
public:
    explicit ModuleState(std::span<const DialogTemplate> builtInTemplates) : builtInTemplates_(builtInTemplates) {}

    // Null when the module has no template of that id.
    const DialogTemplate* FindDialogTemplate(std::int32_t id) const;

private:
    std::span<const DialogTemplate> builtInTemplates_;
};

// The current module state; null outside every AFX_MAINTAIN_STATE2.
ModuleState* AfxGetModuleState();

// Makes a module state current for the guard's lifetime, then restores the
// one that was current before. Windows are modal and shown from one thread,
// so the current state is a plain process-wide pointer.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(ModuleState* state);
    ~AFX_MAINTAIN_STATE2();
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    ModuleState* previous_;
};

}  // namespace hollin::framework
