#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <nlohmann/json.hpp>

namespace korvanta::test {

// Rewrites the JSON chunk of a glTF binary, keeping its binary chunk as it is.
std::vector<std::uint8_t> EditGlbJson(const std::vector<std::uint8_t>& glb,
                                      const std::function<void(nlohmann::json&)>& edit);

}  // namespace korvanta::test
