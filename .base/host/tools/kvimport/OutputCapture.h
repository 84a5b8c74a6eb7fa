#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kvimport {

// Runs `action` with the process's standard output (descriptor 1, C stdio
// and C++ streams alike) going into memory, and returns what it wrote. The
// plug-in prints its report there; the host decides what reaches the
// terminal. Nothing, and `action` not run, when no capture can be set up.
std::optional<std::string> CaptureStandardOutput(const std::function<void()>& action);

}  // namespace kvimport
