#include "EntitiesFill.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <span>
#include <thread>

#include "BatchHandover.h"
#include "EdgeIndex.h"
#include "Tolerance.h"
#include "Triangulator.h"
#include "Vector3.h"
#include "VertexWelder.h"

namespace korvanta {

namespace {

constexpr std::uint32_t kNone = VertexWelder::kNone;

// A face thinner than this (inches, area over longest edge) has no area.
constexpr double kMinFaceHeight = kLengthTolerance * 1e-3;

bool IsUsable(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::abs(p.x) <= kMaxCoordinate &&
           std::abs(p.y) <= kMaxCoordinate && std::abs(p.z) <= kMaxCoordinate;
}

// How many points welding an input should leave. An input whose corners
// share their vertices, as a mesh's do, keeps them; one with a vertex for
// nearly every corner is a soup of separate faces, whose corners meet six
// or so at a point.
std::size_t DistinctPointsExpected(const GeometryInput& input) {
    const std::size_t corners = input.vertexIndices.size();
    return input.vertices.size() <= corners / 2 ? input.vertices.size() : corners / 6;
}

// Numbers every input vertex a face uses as a point: with welding, points
// within tolerance of each other or of an existing vertex of the entities get
// one number, and the existing vertices keep theirs.
class PointNumbering {
public:
    PointNumbering(const Entities& entities, const GeometryInput& input, bool weld)
        : input_(input), weld_(weld), pointCapacity_(weld ? entities.vertices.size() + input.vertices.size() : input.vertices.size()),
          welder_(weld ? pointCapacity_ : 0, weld ? entities.vertices.size() + DistinctPointsExpected(input) : 0),
          pointOfInput_(input.vertices.size(), kNone) {
        if (weld_) {
            for (const Point3& vertex : entities.vertices) welder_.Insert(vertex);
        }
    }

    bool Welds() const { return weld_; }
    // Every point number is below this.
    std::size_t PointCapacity() const { return pointCapacity_; }

    // The point number of an input vertex, or kNone when the vertex cannot be used.
    std::uint32_t PointOf(std::size_t inputVertex) {
        if (inputVertex >= input_.vertices.size()) return kNone;
        std::uint32_t& point = pointOfInput_[inputVertex];
        if (point != kNone) return point;
        const Point3& position = input_.vertices[inputVertex];
        if (!IsUsable(position)) return kNone;
        return point = weld_ ? welder_.Weld(position) : static_cast<std::uint32_t>(inputVertex);
    }

    // The welder has room for every point from the start, so a point's
    // position stays where it is while later points are numbered: the
    // writing stage reads the positions of points in the batches it was
    // handed while the checking stage numbers more.
    const Point3& Position(std::uint32_t point) const {
        return weld_ ? welder_.PointOf(point) : input_.vertices[point];
    }

private:
    const GeometryInput& input_;
    bool weld_;
    std::size_t pointCapacity_;
    VertexWelder welder_;
    std::vector<std::uint32_t> pointOfInput_;
};

// Makes an entities vertex of a point when a built face first uses it, so
// that faces which cannot be built leave no vertices behind.
class EntityVertices {
public:
    EntityVertices(Entities& entities, const PointNumbering& points)
        : entities_(entities), points_(points), vertexOfPoint_(points.PointCapacity(), kNone) {
        if (points.Welds()) {
            for (std::uint32_t i = 0; i < entities.vertices.size(); ++i) vertexOfPoint_[i] = i;
        }
    }

    std::uint32_t VertexOf(std::uint32_t point) {
        std::uint32_t& vertex = vertexOfPoint_[point];
        if (vertex == kNone) {
            vertex = static_cast<std::uint32_t>(entities_.vertices.size());
            entities_.vertices.push_back(points_.Position(point));
        }
        return vertex;
    }

private:
    Entities& entities_;
    const PointNumbering& points_;
    std::vector<std::uint32_t> vertexOfPoint_;
};

struct PreparedFace {
    std::vector<std::vector<std::uint32_t>> loops;  // point numbers
    std::vector<TriangleIndices> triangles;        // corner numbers over all loops
};

bool HasRepeatedPoint(const std::vector<std::vector<std::uint32_t>>& loops) {
    std::vector<std::uint32_t> points;
    for (const auto& loop : loops) points.insert(points.end(), loop.begin(), loop.end());
    std::sort(points.begin(), points.end());
    return std::adjacent_find(points.begin(), points.end()) != points.end();
}

template <typename PositionOf>
Point3 DoubleArea(std::span<const std::uint32_t> loop, PositionOf positionOf) {
    return DoubleVectorArea(loop.size(), [&](std::size_t i) -> const Point3& { return positionOf(loop[i]); });
}

// Whether a loop of `count` points is thicker than the minimum height, and
// its doubled vector area.
template <typename PointAt>
bool HasArea(std::size_t count, PointAt pointAt, Point3& doubleArea) {
    doubleArea = DoubleVectorArea(count, pointAt);
    double longestEdgeSquared = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point3 edge = pointAt(i + 1 < count ? i + 1 : 0) - pointAt(i);
        longestEdgeSquared = std::max(longestEdgeSquared, Dot(edge, edge));
    }
    // Compared squared, which spares the square roots of millions of triangles.
    return longestEdgeSquared != 0.0 &&
           Dot(doubleArea, doubleArea) >= kMinFaceHeight * kMinFaceHeight * longestEdgeSquared;
}

// Checks a face of holes or more than three corners and works out its
// tessellation; false when it has to be skipped.
template <typename PositionOf>
bool Prepare(PreparedFace& face, PositionOf positionOf) {
    if (HasRepeatedPoint(face.loops)) return false;
    Point3 doubleArea;
    const std::vector<std::uint32_t>& outer = face.loops[0];
    const auto outerPoint = [&](std::size_t i) -> const Point3& { return positionOf(outer[i]); };
    if (!HasArea(outer.size(), outerPoint, doubleArea)) return false;
    const Point3 normal = doubleArea * (1.0 / Length(doubleArea));
    for (std::size_t i = 1; i < face.loops.size(); ++i) {
        const double holeDoubleArea = Dot(DoubleArea(face.loops[i], positionOf), normal);
        if (std::abs(holeDoubleArea) < kMinFaceHeight * kMinFaceHeight) return false;
        // Holes run clockwise seen from the front.
        if (holeDoubleArea > 0.0) std::reverse(face.loops[i].begin(), face.loops[i].end());
    }
    const Point3 helper = std::abs(normal.x) < 0.9 ? Point3{1, 0, 0} : Point3{0, 1, 0};
    const Point3 axisU = Cross(helper, normal) * (1.0 / Length(Cross(helper, normal)));
    const Point3 axisV = Cross(normal, axisU);
    std::vector<std::vector<Point2>> projected;
    for (const auto& loop : face.loops) {
        std::vector<Point2>& points = projected.emplace_back();
        for (std::uint32_t point : loop) points.push_back({Dot(positionOf(point), axisU), Dot(positionOf(point), axisV)});
    }
    face.triangles = Triangulate(projected);
    return !face.triangles.empty();
}

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
    if (entities.vertices.size() + input.vertices.size() >= kNone || entities.corners.size() + corners >= kNone ||
        entities.triangles.size() + triangles >= kNone) {
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

// Faces that passed the checks, as the checking stage hands them to the
// writing stage: per face its input face and triangle count, per loop
// whether the checks reversed it, per corner its point, all in order.
struct CheckedFaces {
    struct CheckedFace {
        std::size_t input = 0;
        std::uint32_t triangleCount = 0;
    };
    std::vector<CheckedFace> faces;
    std::vector<std::uint8_t> loopReversed;
    std::vector<std::uint32_t> points;
    std::vector<TriangleIndices> triangles;  // corner numbers within their face

    void Clear() {
        faces.clear();
        loopReversed.clear();
        points.clear();
        triangles.clear();
    }
};

std::uint32_t Count(std::size_t size) { return static_cast<std::uint32_t>(size); }

// The first stage: numbers and welds the input's vertices, checks each face
// and works out its triangles.
class FaceChecker {
public:
    FaceChecker(const GeometryInput& input, PointNumbering& points)
        : input_(input), points_(points), positionOf_{&points} {}

    // Checks the input's faces from `begin` to `end` into the batch.
    void Check(std::size_t begin, std::size_t end, CheckedFaces& batch) {
        for (std::size_t f = begin; f < end; ++f) {
            if (!CheckFace(f, batch)) ++skipped_;
        }
    }

    std::size_t Skipped() const { return skipped_; }

private:
    bool NumberLoops() {
        if (inputLoops_.empty()) return false;
        prepared_.loops.resize(inputLoops_.size());
        for (std::size_t l = 0; l < inputLoops_.size(); ++l) {
            if (inputLoops_[l].size() < 3) return false;
            std::vector<std::uint32_t>& points = prepared_.loops[l];
            points.clear();
            for (std::size_t vertex : inputLoops_[l]) {
                const std::uint32_t point = points_.PointOf(vertex);
                if (point == kNone) return false;
                points.push_back(point);
            }
        }
        return true;
    }

    bool CheckFace(std::size_t f, CheckedFaces& batch) {
        const FaceInput& face = input_.faces[f];
        if (face.loopCount == 1 && input_.loops[face.outerLoop].indexCount == 3) {
            return CheckTriangle(f, input_.IndicesOf(input_.loops[face.outerLoop]), batch);
        }
        inputLoops_.clear();
        input_.ForEachLoop(face, [&](const InputLoop& loop) { inputLoops_.push_back(input_.IndicesOf(loop)); });
        prepared_.triangles.clear();
        if (!NumberLoops() || !Prepare(prepared_, positionOf_)) return false;

        batch.faces.push_back({f, Count(prepared_.triangles.size())});
        for (std::size_t l = 0; l < prepared_.loops.size(); ++l) {
            const std::vector<std::uint32_t>& loop = prepared_.loops[l];
            batch.loopReversed.push_back(loop[0] != points_.PointOf(inputLoops_[l][0]));
            batch.points.insert(batch.points.end(), loop.begin(), loop.end());
        }
        for (const TriangleIndices& triangle : prepared_.triangles) batch.triangles.push_back(triangle);
        return true;
    }

    // Triangles, by far the most common faces, need none of the lists a polygon with holes does.
    bool CheckTriangle(std::size_t f, std::span<const std::size_t> indices, CheckedFaces& batch) {
        std::array<std::uint32_t, 3> points{};
        for (std::size_t c = 0; c < 3; ++c) {
            points[c] = points_.PointOf(indices[c]);
            if (points[c] == kNone) return false;
        }
        if (points[0] == points[1] || points[1] == points[2] || points[0] == points[2]) return false;
        const std::array<Point3, 3> corners{positionOf_(points[0]), positionOf_(points[1]), positionOf_(points[2])};
        Point3 doubleArea;
        if (!HasArea(3, [&](std::size_t c) -> const Point3& { return corners[c]; }, doubleArea)) return false;
        batch.faces.push_back({f, 1});
        batch.loopReversed.push_back(false);
        for (std::uint32_t point : points) batch.points.push_back(point);
        batch.triangles.push_back({0, 1, 2});
        return true;
    }

    struct PositionOf {
        const PointNumbering* points;
        const Point3& operator()(std::uint32_t point) const { return points->Position(point); }
    };

    const GeometryInput& input_;
    PointNumbering& points_;
    PositionOf positionOf_;
    std::size_t skipped_ = 0;
    // Kept across faces so that their buffers are allocated once, not per face.
    PreparedFace prepared_;
    std::vector<std::span<const std::size_t>> inputLoops_;
};

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
            const std::uint32_t firstCorner = Count(entities_.corners.size());
            Face& face = entities_.faces.emplace_back();
            face.frontMaterial = faceInput.material;
            face.firstLoop = Count(entities_.loops.size());
            face.loopCount = faceInput.loopCount;
            input_.ForEachLoop(faceInput, [&](const InputLoop& inputLoop) {
                const std::span<const std::size_t> indices = input_.IndicesOf(inputLoop);
                const bool reversed = batch.loopReversed[loop++];
                entities_.loops.push_back({Count(entities_.corners.size()), Count(indices.size())});
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
            face.firstTriangle = Count(entities_.triangles.size());
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

constexpr std::size_t kFacesPerBatch = 4096;
// Below this, starting a thread costs more than the second stage takes.
constexpr std::size_t kFacesForTwoThreads = 4 * kFacesPerBatch;

void CheckAndWrite(FaceChecker& checker, FaceWriter& writer, std::size_t faceCount) {
    CheckedFaces batch;
    for (std::size_t begin = 0; begin < faceCount; begin += kFacesPerBatch) {
        batch.Clear();
        checker.Check(begin, std::min(faceCount, begin + kFacesPerBatch), batch);
        writer.Write(batch);
    }
}

// The same with the writing stage on a second thread, a batch behind.
void CheckAndWriteSideBySide(FaceChecker& checker, FaceWriter& writer, std::size_t faceCount) {
    BatchHandover<CheckedFaces> handover;
    std::exception_ptr writingFailure;
    std::thread writing([&] {
        try {
            while (const CheckedFaces* batch = handover.NextToDrain()) {
                writer.Write(*batch);
                handover.Drained();
            }
        } catch (...) {
            writingFailure = std::current_exception();
            handover.Stop();
        }
    });
    try {
        for (std::size_t begin = 0; begin < faceCount; begin += kFacesPerBatch) {
            CheckedFaces* batch = handover.NextToFill();
            if (batch == nullptr) break;
            batch->Clear();
            checker.Check(begin, std::min(faceCount, begin + kFacesPerBatch), *batch);
            handover.Filled();
        }
    } catch (...) {
        handover.Stop();
        writing.join();
        throw;
    }
    handover.Close();
    writing.join();
    if (writingFailure) std::rethrow_exception(writingFailure);
}

}  // namespace

KVResult FillEntities(Entities& entities, const GeometryInput& input, bool weldVertices) {
    if (!ReserveFor(entities, input)) return KV_ERROR_OUT_OF_RANGE;
    PointNumbering points(entities, input, weldVertices);
    FaceChecker checker(input, points);
    FaceWriter writer(entities, input, points);
    if (input.faces.size() < kFacesForTwoThreads) {
        CheckAndWrite(checker, writer, input.faces.size());
    } else {
        CheckAndWriteSideBySide(checker, writer, input.faces.size());
    }
    if (!entities.smoothEdges.empty()) entities.smoothEdges.resize(entities.edges.size(), 0);
    entities.skippedFaces += checker.Skipped();
    return checker.Skipped() == 0 ? KV_SUCCESS : KV_ERROR_INVALID_GEOMETRY;
}

}  // namespace korvanta
