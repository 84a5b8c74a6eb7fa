#pragma once

#include <nlohmann/json_fwd.hpp>

#include "KorvantaAPI.h"

namespace kvinfo {

// The model as one JSON object: materials, definitions, top-level entities,
// instances, totals and the world bounding box in inches.
nlohmann::json SummarizeModel(KVModelRef model);

}  // namespace kvinfo
