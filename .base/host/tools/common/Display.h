#pragma once

namespace kvhost {

// True when a display to show windows on is named (DISPLAY,
// WAYLAND_DISPLAY or QT_QPA_PLATFORM): without one, Qt would end the
// process when asked for a window.
bool HasADisplay();

}  // namespace kvhost
