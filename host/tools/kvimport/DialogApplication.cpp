#include "DialogApplication.h"
#include "HostText.h"

#include <cstdlib>

namespace kvimport {

namespace {

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::unique_ptr<DialogApplication> DialogApplication::Start(std::string& error) {
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
        error = kvhost::Translated("the dialogs need a display: none is set (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM)");
        return nullptr;
    }
    return std::unique_ptr<DialogApplication>(new DialogApplication());
}

}  // namespace kvimport
