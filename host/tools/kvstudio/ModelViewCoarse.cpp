#include "ModelViewCoarse.h"

#include <QVector3D>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace kvstudio {

namespace {

// A mesh whose share of the coarser drawing is fewer triangles than this is
// drawn as it is: so few would no longer show its shape.
constexpr qint64 kFewestCoarseTriangles = 64;
// Grids tried for a mesh, each finer or coarser by what the one before gave.
constexpr int kMostGrids = 6;
// Cells along a mesh's longest side at most, so that a cell's number fits
// 64 bits.
constexpr int kMostCells = 4096;

qint64 StoredTriangles(const SceneMesh& mesh) {
    qint64 triangles = 0;
    for (const SceneMesh::Part& part : mesh.parts) triangles += part.indexCount / 3;
    return triangles;
}

std::uint32_t VertexNumber(const SceneMesh& mesh, qsizetype at) {
    if (mesh.wideIndices) {
        std::uint32_t number = 0;
        std::memcpy(&number, mesh.indices.constData() + at * 4, 4);
        return number;
    }
    std::uint16_t number = 0;
    std::memcpy(&number, mesh.indices.constData() + at * 2, 2);
    return number;
}

using Triangle = std::array<std::uint32_t, 3>;

struct TriangleHash {
    std::size_t operator()(const Triangle& triangle) const {
        return std::hash<std::uint64_t>()((std::uint64_t{triangle[0]} << 32 | triangle[1]) * 31 + triangle[2]);
    }
};

// The mesh with its vertices merged cell by cell of a grid of `cells` along
// its longest side, each part on its own so that materials keep their
// faces: a merged vertex takes the mean of the position, normal and texture
// coordinate of those it merges. Triangles whose corners merge, and those
// that another already draws, go.
SceneMesh Clustered(const SceneMesh& mesh, int cells) {
    const auto floats = static_cast<qsizetype>(mesh.Stride() / static_cast<int>(sizeof(float)));
    const auto* data = reinterpret_cast<const float*>(mesh.vertices.constData());
    const qsizetype vertexCount = mesh.vertices.size() / mesh.Stride();
    const QVector3D low = mesh.box.low;
    const QVector3D extent = mesh.box.high - low;
    const float longest = std::max({extent.x(), extent.y(), extent.z()});
    const float cell = longest > 0.0f ? longest / static_cast<float>(cells) : 1.0f;
    const auto steps = [&](float length) { return static_cast<std::uint64_t>(length / cell) + 1; };
    const std::array<std::uint64_t, 3> count{steps(extent.x()), steps(extent.y()), steps(extent.z())};
    const auto cellOf = [&](const float* position) {
        std::uint64_t number = 0;
        for (int axis = 0; axis < 3; ++axis) {
            // The box holds every vertex; a vertex outside by rounding takes the nearest cell.
            const float along = std::max(0.0f, (position[axis] - low[axis]) / cell);
            number = number * count[axis] + std::min(static_cast<std::uint64_t>(along), count[axis] - 1);
        }
        return number;
    };

    std::vector<std::uint32_t> merged(static_cast<std::size_t>(vertexCount));
    std::vector<std::uint32_t> mergedInPart(static_cast<std::size_t>(vertexCount), 0);
    std::unordered_map<std::uint64_t, std::uint32_t> byCell;
    std::unordered_set<Triangle, TriangleHash> drawn;
    std::vector<double> sums;
    std::vector<std::uint32_t> members;
    std::vector<std::uint32_t> corners;
    SceneMesh coarse;
    for (std::size_t partNumber = 0; partNumber < mesh.parts.size(); ++partNumber) {
        const SceneMesh::Part& part = mesh.parts[partNumber];
        const auto stamp = static_cast<std::uint32_t>(partNumber + 1);
        byCell.clear();
        drawn.clear();
        SceneMesh::Part& made = coarse.parts.emplace_back(part);
        made.firstIndex = static_cast<int>(corners.size());
        for (qsizetype at = part.firstIndex; at + 2 < qsizetype{part.firstIndex} + part.indexCount; at += 3) {
            Triangle triangle{};
            for (std::size_t corner = 0; corner < 3; ++corner) {
                const std::uint32_t vertex = VertexNumber(mesh, at + static_cast<qsizetype>(corner));
                if (mergedInPart[vertex] != stamp) {
                    mergedInPart[vertex] = stamp;
                    const float* values = data + qsizetype{vertex} * floats;
                    const auto [known, isNew] = byCell.try_emplace(cellOf(values), static_cast<std::uint32_t>(members.size()));
                    if (isNew) {
                        members.push_back(0);
                        sums.resize(sums.size() + static_cast<std::size_t>(floats), 0.0);
                    }
                    merged[vertex] = known->second;
                    ++members[known->second];
                    double* sum = sums.data() + qsizetype{known->second} * floats;
                    for (qsizetype value = 0; value < floats; ++value) sum[value] += values[value];
                }
                triangle[corner] = merged[vertex];
            }
            if (triangle[0] == triangle[1] || triangle[1] == triangle[2] || triangle[0] == triangle[2]) continue;
            // Turned to start at its least corner, the same triangle has one spelling and keeps its facing.
            std::rotate(triangle.begin(), std::min_element(triangle.begin(), triangle.end()), triangle.end());
            if (drawn.insert(triangle).second) corners.insert(corners.end(), triangle.begin(), triangle.end());
        }
        made.indexCount = static_cast<int>(corners.size()) - made.firstIndex;
    }

    coarse.smooth = mesh.smooth;
    coarse.textured = mesh.textured;
    coarse.box = mesh.box;
    coarse.instances = mesh.instances;
    coarse.placements = mesh.placements;
    coarse.vertices.resize(static_cast<qsizetype>(members.size()) * mesh.Stride());
    auto* vertices = reinterpret_cast<float*>(coarse.vertices.data());
    for (std::size_t number = 0; number < members.size(); ++number) {
        const double* sum = sums.data() + static_cast<qsizetype>(number) * floats;
        float* vertex = vertices + static_cast<qsizetype>(number) * floats;
        for (qsizetype value = 0; value < floats; ++value) vertex[value] = static_cast<float>(sum[value] / members[number]);
        if (mesh.smooth) {
            const QVector3D normal = QVector3D(vertex[3], vertex[4], vertex[5]).normalized();
            for (int axis = 0; axis < 3; ++axis) vertex[3 + axis] = normal[axis];
        }
    }
    coarse.wideIndices = members.size() > 0xFFFF;
    coarse.indices.resize(static_cast<qsizetype>(corners.size()) * (coarse.wideIndices ? 4 : 2));
    for (std::size_t at = 0; at < corners.size(); ++at) {
        if (coarse.wideIndices) {
            std::memcpy(coarse.indices.data() + static_cast<qsizetype>(at) * 4, &corners[at], 4);
        } else {
            const auto narrow = static_cast<std::uint16_t>(corners[at]);
            std::memcpy(coarse.indices.data() + static_cast<qsizetype>(at) * 2, &narrow, 2);
        }
    }
    return coarse;
}

// The finest clustering of the mesh found within `most` triangles, the grid
// guessed from a surface's two triangles a cell and corrected by what each
// try gave; none when no grid tried keeps within them.
std::optional<SceneMesh> Coarser(const SceneMesh& mesh, qint64 most) {
    std::optional<SceneMesh> best;
    qint64 bestTriangles = 0;
    double cells = std::sqrt(static_cast<double>(most) / 2.0);
    for (int attempt = 0; attempt < kMostGrids; ++attempt) {
        const int tried = std::clamp(static_cast<int>(cells), 1, kMostCells);
        SceneMesh coarse = Clustered(mesh, tried);
        const qint64 triangles = StoredTriangles(coarse);
        if (triangles <= most && triangles > bestTriangles) {
            best = std::move(coarse);
            bestTriangles = triangles;
        }
        // Within a quarter of the share is close enough.
        if ((triangles <= most && triangles * 4 >= most * 3) || (triangles > most && tried == 1) ||
            (triangles < most && tried == kMostCells)) {
            break;
        }
        cells = tried * std::sqrt(static_cast<double>(most) / static_cast<double>(std::max<qint64>(triangles, 1))) * 0.95;
        if (static_cast<int>(cells) == tried) cells = triangles > most ? tried - 1 : tried + 1;
    }
    return best;
}

}  // namespace

qint64 PlacedTriangles(const std::vector<SceneMesh>& meshes) {
    qint64 triangles = 0;
    for (const SceneMesh& mesh : meshes) triangles += qint64{mesh.placements} * StoredTriangles(mesh);
    return triangles;
}

std::vector<std::optional<SceneMesh>> CoarseMeshes(const std::vector<SceneMesh>& meshes) {
    const qint64 placed = PlacedTriangles(meshes);
    if (placed <= kMostTrianglesDrawnMoving) return {};
    // Every mesh keeps the same share of its triangles; stored once for all
    // its placements, the coarser meshes then store at most the budget.
    const double share = static_cast<double>(kMostTrianglesDrawnMoving) / static_cast<double>(placed);
    std::vector<std::optional<SceneMesh>> coarse(meshes.size());
    qint64 coarsePlaced = 0;
    for (std::size_t number = 0; number < meshes.size(); ++number) {
        const SceneMesh& mesh = meshes[number];
        const qint64 stored = StoredTriangles(mesh);
        const auto most = static_cast<qint64>(share * static_cast<double>(stored));
        if (mesh.placements > 0 && most >= kFewestCoarseTriangles) coarse[number] = Coarser(mesh, most);
        coarsePlaced += qint64{mesh.placements} * (coarse[number] ? StoredTriangles(*coarse[number]) : stored);
    }
    if (coarsePlaced * 2 > placed) return {};
    return coarse;
}

}  // namespace kvstudio
