#pragma once

#include <optional>
#include <string>

namespace kvstudio {

// Why the file is no model file the modelling library reads, in the user's
// language; nothing when it reads it and the file names no other files. The
// view is handed only files that pass, so that what it parses has been
// through the library's own checks and reaches nothing outside the file.
std::optional<std::string> WhyNotAModelFile(const std::string& path);

}  // namespace kvstudio
