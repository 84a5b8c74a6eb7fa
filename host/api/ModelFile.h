#pragma once

#include <string>

#include "KorvantaAPI.h"
#include "Model.h"

// The model file (.kvm): a glTF 2.0 binary that ordinary viewers open, with
// the model's own structure kept alongside so that it reads back unchanged.
namespace korvanta {

// Writes atomically: a temporary file in the same folder, flushed, then renamed.
KVResult SaveModelFile(const Model& model, const std::string& path);
KVResult LoadModelFile(const std::string& path, Model& model);

}  // namespace korvanta
