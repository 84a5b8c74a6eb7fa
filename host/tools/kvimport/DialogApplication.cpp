#include "DialogApplication.h"
#include "Display.h"
#include "HostText.h"

namespace kvimport {

std::unique_ptr<DialogApplication> DialogApplication::Start(std::string& error) {
    if (!kvhost::HasADisplay()) {
        error = kvhost::Translated("the dialogs need a display: none is set (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM)");
        return nullptr;
    }
    return std::unique_ptr<DialogApplication>(new DialogApplication());
}

}  // namespace kvimport
