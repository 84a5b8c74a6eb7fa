#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "KorvantaAPI.h"
#include "Model.h"

// The model file (.kvm): a glTF 2.0 binary that ordinary viewers open, with
// the model's own structure kept alongside so that it reads back unchanged.
namespace korvanta {

// Writes atomically: a temporary file in the same folder, flushed, then renamed.
KVResult SaveModelFile(const Model& model, const std::string& path);
// Reading checks everything before use: lengths against the bytes there are,
// the JSON for keys given twice and nesting (see StrictJson.h), counts
// against sizes, and the instances for cycles, depth and placements (see
// InstanceGraph.h). `model` changes only on success; `verdict` (when given)
// says why a file was refused.
KVResult LoadModelFile(const std::string& path, Model& model, KVModelFileVerdict* verdict = nullptr);
KVResult LoadModelBytes(std::span<const std::uint8_t> bytes, Model& model, KVModelFileVerdict* verdict = nullptr);

}  // namespace korvanta
