#pragma once

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace kvinfo {

// A 3DS file as one JSON object, without converting it: what the import's
// check makes of it and why, what lib3ds reads from it, and where its
// textures are found, the user's `textureFolders` searched after its own,
// and what the import makes of it as authored (`asAuthored`: whether it takes that choice).
nlohmann::json SummarizeSceneFile(const std::string& path, const std::vector<std::string>& textureFolders,
                                  bool asAuthored);

}  // namespace kvinfo
