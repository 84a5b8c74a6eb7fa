#pragma once

#include <optional>
#include <string>

namespace kvstudio {

// The view opens only model files that the modelling library wrote itself.
// A model file from anywhere else is read by the library, with all of its
// checks, and written anew by it to `target` in kvstudio's scratch folder:
// what the view then parses holds nothing the library did not make (no other
// file named, no key given twice), however the original was made. Returns
// why that could not be done, in the user's language, or nothing.
std::optional<std::string> RewriteModelFile(const std::string& source, const std::string& target);

}  // namespace kvstudio
