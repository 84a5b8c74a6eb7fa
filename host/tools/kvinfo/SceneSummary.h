#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "settings/ImportSettings.h"

namespace kvinfo {

// A 3DS file as one JSON object, without converting it: what the import's
// check makes of it and why, what lib3ds reads from it, and where its
// textures are found, the texture folders of `settings` searched after its
// own, and what the import makes of it as authored (whether `settings` take
// that choice).
nlohmann::json SummarizeSceneFile(const std::string& path, const hollin::settings::ImportSettings& settings);

}  // namespace kvinfo
