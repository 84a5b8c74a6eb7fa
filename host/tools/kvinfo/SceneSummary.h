#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace kvinfo {

// A 3DS file as one JSON object, without converting it: what the import's
// check makes of it and why, and what lib3ds reads from it.
nlohmann::json SummarizeSceneFile(const std::string& path);

}  // namespace kvinfo
