#pragma once

#include "GeometryInput.h"
#include "KorvantaAPI.h"
#include "Model.h"

namespace korvanta {

// Builds the input's faces into the entities, after what is there. Faces that
// cannot be built (vertex numbers outside the input, a vertex repeated after
// welding, fewer than three corners, no area) are skipped and counted in
// entities.skippedFaces; the result is then KV_ERROR_INVALID_GEOMETRY.
KVResult FillEntities(Entities& entities, const GeometryInput& input, bool weldVertices);

}  // namespace korvanta
