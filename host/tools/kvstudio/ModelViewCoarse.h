#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

#include "ModelScene.h"

// What the view draws of a large model while the camera moves: a software
// renderer takes seconds a frame for millions of triangles, so that an
// orbit would jump from one picture to the next. Each large mesh is drawn
// coarser then, its vertices merged cell by cell of a grid (vertex
// clustering), which keeps the model's shape and materials; the model as it
// is comes back once the camera rests.
namespace kvstudio {

// While the camera moves, a model's meshes are drawn coarser in this many
// placed triangles in all, if that is at most half of what it places (so a
// model of more than twice as many): Mesa's llvmpipe draws them in well
// under 0.3 s a frame on two cores, even busy ones (bench/README.md).
inline constexpr qint64 kMostTrianglesDrawnMoving = 100'000;

// The triangles of every mesh placed in the scene.
qint64 PlacedTriangles(const std::vector<SceneMesh>& meshes);

// The coarser drawing of each mesh of `meshes` (as ModelScene::meshes): none
// for a mesh drawn as it is while the camera moves (a small one: a bolt
// placed a thousand times is as coarse as it can be). Empty when the meshes
// place no more than kMostTrianglesDrawnMoving triangles, or their coarser
// drawing would not be half as many. The coarser meshes store no more than
// kMostTrianglesDrawnMoving triangles in all, nor more than `meshes` do, and
// share the placements, materials and bounds of the meshes they draw. For
// any thread.
std::vector<std::optional<SceneMesh>> CoarseMeshes(const std::vector<SceneMesh>& meshes);

}  // namespace kvstudio
