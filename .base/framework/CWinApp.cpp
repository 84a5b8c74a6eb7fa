#include "framework/CWinApp.h"

#include <dlfcn.h>

#include <filesystem>

#include "framework/ModuleState.h"

namespace hollin::framework {

namespace {

// The file of the library (or program) that this code was linked into.
std::filesystem::path ThisModuleFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ThisModuleFile), &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

}  // namespace

CWinApp::~CWinApp() = default;

bool CWinApp::InitInstance() {
    if (ModuleState* state = AfxGetModuleState()) state->SetAppName(ThisModuleFile().stem().string());
    return true;
}

int CWinApp::ExitInstance() {
    return 0;
}

}  // namespace hollin::framework
