#include "DialogApplication.h"
#include "Display.h"
#include "HostText.h"
#include "InterruptionInQt.h"

namespace kvimport {

std::unique_ptr<DialogApplication> DialogApplication::Start(std::string& error) {
    if (!kvhost::HasADisplay()) {
        error = kvhost::Translated("the dialogs need a display: none is set (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM)");
        return nullptr;
    }
    std::unique_ptr<DialogApplication> dialogs(new DialogApplication());
    kvhost::EndEventLoopsOnInterruption(dialogs->application_);
    return dialogs;
}

}  // namespace kvimport
