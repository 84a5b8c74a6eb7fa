#pragma once

#include <lib3ds/file.h>

#include <nlohmann/json_fwd.hpp>

namespace kvinfo {

// What the "as authored" choice makes of a 3DS file: its faces in
// smoothing groups and the sides drawn smooth, and the materials whose
// texture map is tiled, offset or turned; `on` when the import takes the choice.
nlohmann::json SummarizeAsAuthored(const Lib3dsFile& scene, bool on);

}  // namespace kvinfo
