#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "framework/DialogTemplate.h"

namespace hollin::framework {

// What one library shows its windows from: the dialog templates built into
// it and those of the resource library it loaded for the user's language,
// which take precedence. A dialog reads its template from the module state
// that is current when it opens, so every operation of a library that opens a
// window first makes that library's state current (AFX_MAINTAIN_STATE2).
class ModuleState {
public:
    explicit ModuleState(std::span<const DialogTemplate> builtInTemplates) : builtInTemplates_(builtInTemplates) {}

    // Null when neither the resource library nor the module has a template
    // of that id.
    const DialogTemplate* FindDialogTemplate(std::int32_t id) const;

    // A library handle from dlopen, or null for none. Templates that a
    // resource library hands out in a form that cannot be drawn (negative or
    // huge counts, missing arrays) are passed over.
    void SetResourceHandle(void* library) { resourceHandle_ = library; }
    void* ResourceHandle() const { return resourceHandle_; }

    // The module's name: its library's file name without the extension.
    const std::string& AppName() const { return appName_; }
    void SetAppName(std::string name) { appName_ = std::move(name); }

private:
    std::span<const DialogTemplate> builtInTemplates_;
    void* resourceHandle_ = nullptr;
    std::string appName_;
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
