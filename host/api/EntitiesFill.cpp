#include "EntitiesFill.h"

#include <algorithm>
#include <span>

#include "EdgeIndex.h"
#include "FaceChecker.h"
#include "FillPoints.h"

namespace korvanta {

namespace {

Corner CornerFor(std::span<const InputUv> uvs, std::size_t inputVertex, std::uint32_t entityVertex, bool& textured) {
    Corner corner{entityVertex, {}};
    for (const InputUv& uv : uvs) {
        if (uv.vertex == inputVertex) {
            corner.uv = uv.uv;
            return corner;
        }
    }
    textured = false;
    return corner;
}

// Makes room for what the input's faces add at most, so the lists grow once;
// false, reserving nothing, when they would outgrow 32-bit numbering.
bool ReserveFor(Entities& entities, const GeometryInput& input) {
    std::size_t triangles = 0;
    for (const FaceInput& face : input.faces) {
        std::size_t faceCorners = 0;
        input.ForEachLoop(face, [&](const InputLoop& loop) { faceCorners += loop.indexCount; });
        // A polygon of n corners in all and h holes has n + 2h - 2 triangles.
        const std::size_t bound = faceCorners + 2 * std::size_t{face.loopCount};
        triangles += bound >= 4 ? bound - 4 : 0;
    }
    // Every loop and vertex number in the input belongs to one of its faces.
    const std::size_t loops = input.loops.size(), corners = input.vertexIndices.size();
    if (entities.vertices.size() + input.vertices.size() >= kNoIndex || entities.corners.size() + corners >= kNoIndex ||
        entities.triangles.size() + triangles >= kNoIndex) {
        return false;
    }
    entities.vertices.reserve(entities.vertices.size() + input.vertices.size());
    // Neighbouring faces share their edges: a surface has about one edge for
    // every two corners, and a little more along its borders. A soup of
    // separate faces outgrows this once.
    entities.edges.reserve(entities.edges.size() + corners / 2 + corners / 16);
    entities.faces.reserve(entities.faces.size() + input.faces.size());
    entities.loops.reserve(entities.loops.size() + loops);
    entities.corners.reserve(entities.corners.size() + corners);
    entities.triangles.reserve(entities.triangles.size() + triangles);
    return true;
}

// The second stage: makes the checked faces' vertices, corners, loops,
// triangles and edges in the entities, which only this stage writes.
class FaceWriter {
public:
    FaceWriter(Entities& entities, const GeometryInput& input, const PointNumbering& points)
        : entities_(entities), input_(input), vertices_(entities, points), edges_(entities, entities.vertices.capacity()) {
        if (input.smoothEdges.empty()) return;
        smoothAt_.assign(input.vertexIndices.size(), 0);
        for (const std::size_t place : input.smoothEdges) smoothAt_[place] = 1;
        // A flag for every edge, kept in step with the edges as they are added.
        entities.smoothEdges.reserve(entities.edges.capacity());
        entities.smoothEdges.resize(entities.edges.size(), 0);
    }

    void Write(const CheckedFaces& batch) {
        std::size_t loop = 0, point = 0, triangle = 0;
        for (const CheckedFaces::CheckedFace& checked : batch.faces) {
            const FaceInput& faceInput = input_.faces[checked.input];
            const std::span<const InputUv> uvs = input_.UvsOf(faceInput);
            bool textured = faceInput.material != nullptr && !uvs.empty();
            const std::uint32_t firstCorner = StoredIndex(entities_.corners.size());
            Face& face = entities_.faces.emplace_back();
            face.frontMaterial = faceInput.material;
            face.firstLoop = StoredIndex(entities_.loops.size());
            face.loopCount = faceInput.loopCount;
            input_.ForEachLoop(faceInput, [&](const InputLoop& inputLoop) {
                const std::span<const std::size_t> indices = input_.IndicesOf(inputLoop);
                const bool reversed = batch.loopReversed[loop++];
                entities_.loops.push_back({StoredIndex(entities_.corners.size()), StoredIndex(indices.size())});
                for (std::size_t c = 0; c < indices.size(); ++c) {
                    const std::size_t inputVertex = indices[reversed ? indices.size() - 1 - c : c];
                    const std::uint32_t vertex = vertices_.VertexOf(batch.points[point++]);
                    entities_.corners.push_back(CornerFor(uvs, inputVertex, vertex, textured));
                }
                AddEdges(inputLoop, reversed);
            });
            face.textured = textured;
            if (!textured) {
                for (std::size_t c = firstCorner; c < entities_.corners.size(); ++c) entities_.corners[c].uv = {};
            }
            face.firstTriangle = StoredIndex(entities_.triangles.size());
            face.triangleCount = checked.triangleCount;
            for (std::uint32_t t = 0; t < checked.triangleCount; ++t) {
                const TriangleIndices& corners = batch.triangles[triangle++];
                entities_.triangles.push_back({{firstCorner + corners[0], firstCorner + corners[1], firstCorner + corners[2]}});
            }
        }
    }

private:
    // The edges of the loop written last, smooth where the input marked them.
    void AddEdges(const InputLoop& inputLoop, bool reversed) {
        const std::span<const Corner> corners = entities_.CornersOf(entities_.loops.back());
        const std::size_t n = corners.size();
        for (std::size_t c = 0; c < n; ++c) {
            const std::uint32_t edge = edges_.Add(corners[c].vertex, corners[c + 1 < n ? c + 1 : 0].vertex);
            if (smoothAt_.empty()) continue;
            if (edge == entities_.smoothEdges.size()) entities_.smoothEdges.push_back(0);
            // Reversed, the side from corner c runs between the input's places n - 1 - c and n - 2 - c.
            const std::size_t side = reversed ? (2 * n - 2 - c) % n : c;
            if (smoothAt_[inputLoop.firstIndex + side] != 0) entities_.smoothEdges[edge] = 1;
        }
    }

    Entities& entities_;
    const GeometryInput& input_;
    EntityVertices vertices_;
    EdgeIndex edges_;
    std::vector<std::uint8_t> smoothAt_;  // per place in the input's vertex indices; empty when none is smooth
};

// Checked in batches that stay in the processor's caches until they are
// written. One thread does both stages: a second one, a batch behind, saves
// wall time only where a core is free, and costs processor time everywhere.
constexpr std::size_t kFacesPerBatch = 4096;

void CheckAndWrite(FaceChecker& checker, FaceWriter& writer, std::size_t faceCount) {
    CheckedFaces batch;
    for (std::size_t begin = 0; begin < faceCount; begin += kFacesPerBatch) {
        batch.Clear();
        checker.Check(begin, std::min(faceCount, begin + kFacesPerBatch), batch);
        writer.Write(batch);
    }
}

}  // namespace

KVResult FillEntities(Entities& entities, const GeometryInput& input, bool weldVertices) {
    if (!ReserveFor(entities, input)) return KV_ERROR_OUT_OF_RANGE;
    PointNumbering points(entities, input, weldVertices);
    FaceChecker checker(input, points);
    FaceWriter writer(entities, input, points);
    CheckAndWrite(checker, writer, input.faces.size());
    if (!entities.smoothEdges.empty()) entities.smoothEdges.resize(entities.edges.size(), 0);
    entities.skippedFaces += checker.Skipped();
    return checker.Skipped() == 0 ? KV_SUCCESS : KV_ERROR_INVALID_GEOMETRY;
}

}  // namespace korvanta
