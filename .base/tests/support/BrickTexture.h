#pragma once

#include <filesystem>

namespace hollin::samples {

// Writes a 64 x 64 PNG of running-bond bricks with light mortar joints, a few
// shades of red; false when the file cannot be written.
bool WriteBrickTexture(const std::filesystem::path& path);

}  // namespace hollin::samples
