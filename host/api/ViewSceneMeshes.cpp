#include "ViewSceneMeshes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <utility>

#include "ModelFileDescription.h"

namespace korvanta {

namespace {

using nlohmann::json;
using Accessor = ViewSceneFile::Accessor;

// glTF's code for triangles.
constexpr int kTriangles = 4;

class MeshReader {
public:
    explicit MeshReader(ViewSceneFile& file) : file_(file) {}

private:
    // The accessors of a mesh's vertices: positions, and normals and texture
    // coordinates where they are not -1.
    struct VertexAccessors {
        std::int64_t positions = -1;
        std::int64_t normals = -1;
        std::int64_t uvs = -1;
        auto operator<=>(const VertexAccessors&) const = default;
    };
    struct Vertices {
        std::shared_ptr<const std::vector<std::byte>> bytes;
        std::uint64_t count = 0;
    };

    // Copies `count` values of `kFloats` floats each into their place in every vertex.
    template <std::uint64_t kFloats>
    static void Interleave(const std::vector<std::byte>& values, std::uint64_t count, std::uint64_t offset, std::uint64_t stride,
                           std::vector<std::byte>& vertices) {
        constexpr std::uint64_t kBytes = kFloats * sizeof(float);
        for (std::uint64_t vertex = 0; vertex < count; ++vertex) {
            std::memcpy(vertices.data() + vertex * stride + offset, values.data() + vertex * kBytes, kBytes);
        }
    }

    // The vertices as ViewMesh::vertices has them, every accessor checked to
    // hold as many as the positions before any is read.
    Vertices ReadVertices(const VertexAccessors& from) {
        constexpr std::uint64_t kFloat = sizeof(float);
        const Accessor where = file_.AccessorAt(static_cast<std::uint64_t>(from.positions), {kGltfFloat}, 3);
        const std::uint64_t count = where.count;
        const auto checked = [&](std::int64_t accessor, int components) {
            const Accessor at = file_.AccessorAt(static_cast<std::uint64_t>(accessor), {kGltfFloat}, components);
            if (at.count != count) {
                ViewSceneFile::Refuse(ViewSceneFault::Arrays, MemberOf("/accessors", static_cast<std::size_t>(accessor)));
            }
            return at;
        };
        const bool smooth = from.normals >= 0;
        const bool textured = from.uvs >= 0;
        const Accessor normals = smooth ? checked(from.normals, 3) : Accessor();
        const Accessor uvs = textured ? checked(from.uvs, 2) : Accessor();
        if (!smooth && !textured) {
            return {std::make_shared<const std::vector<std::byte>>(file_.ReadAt(where.offset, count * 3 * kFloat)), count};
        }
        const std::uint64_t stride = (3 + (smooth ? 3 : 0) + (textured ? 2 : 0)) * kFloat;
        auto vertices = std::make_shared<std::vector<std::byte>>(static_cast<std::size_t>(count * stride));
        // One array read at a time, dropped once in place.
        Interleave<3>(file_.ReadAt(where.offset, count * 3 * kFloat), count, 0, stride, *vertices);
        if (smooth) Interleave<3>(file_.ReadAt(normals.offset, count * 3 * kFloat), count, 3 * kFloat, stride, *vertices);
        if (textured) Interleave<2>(file_.ReadAt(uvs.offset, count * 2 * kFloat), count, stride - 2 * kFloat, stride, *vertices);
        return {std::move(vertices), count};
    }

    // The primitives' indices one after another, in four bytes each when any
    // primitive needs them.
    std::shared_ptr<const std::vector<std::byte>> ReadIndices(const std::vector<Accessor>& primitives, bool wide) {
        std::uint64_t total = 0;
        for (const Accessor& indices : primitives) total += indices.count;
        auto all = std::make_shared<std::vector<std::byte>>(static_cast<std::size_t>(total * (wide ? 4 : 2)));
        std::uint64_t at = 0;
        for (const Accessor& indices : primitives) {
            const bool narrow = indices.componentType == kGltfUnsignedShort;
            const std::vector<std::byte> read = file_.ReadAt(indices.offset, indices.count * (narrow ? 2 : 4));
            if (wide && narrow) {
                for (std::uint64_t i = 0; i < indices.count; ++i) {
                    std::uint16_t index = 0;
                    std::memcpy(&index, read.data() + i * 2, 2);
                    const std::uint32_t widened = index;
                    std::memcpy(all->data() + (at + i) * 4, &widened, 4);
                }
            } else {
                std::memcpy(all->data() + at * (wide ? 4 : 2), read.data(), read.size());
            }
            at += indices.count;
        }
        return all;
    }

    // Checks that every index names a vertex, and measures the part.
    template <typename Index>
    static void MeasurePart(const ViewMesh& mesh, std::uint64_t vertexCount, ViewMesh::Part& part, const std::string& where) {
        const auto* indices = reinterpret_cast<const Index*>(mesh.indices->data()) + part.firstIndex;
        const auto* positions = reinterpret_cast<const float*>(mesh.vertices->data());
        const std::size_t stride = mesh.Stride() / sizeof(float);
        for (int i = 0; i < part.indexCount; ++i) {
            if (indices[i] >= vertexCount) ViewSceneFile::Refuse(ViewSceneFault::Index, where);
            IncludePoint(part.box, positions + static_cast<std::size_t>(indices[i]) * stride, i == 0);
        }
    }

public:
    // The mesh `description`, which `where` names.
    ViewMesh Read(const json& description, const std::string& where, std::size_t materialCount) {
        const json& primitives = ValueAt(description, "primitives");
        if (!primitives.is_array() || primitives.empty()) ViewSceneFile::Refuse(ViewSceneFault::Member, where + "/primitives");
        VertexAccessors ofAll;
        std::vector<Accessor> indices;
        std::vector<std::uint64_t> indexAccessors;
        ViewMesh mesh;
        const std::uint64_t accessors = file_.AccessorCount();
        for (std::size_t i = 0; i < primitives.size(); ++i) {
            const json& primitive = primitives[i];
            const std::string at = MemberOf(where + "/primitives", i);
            const json& attributes = ValueAt(primitive, "attributes");
            const std::string attributesAt = at + "/attributes";
            const VertexAccessors ofThis{
                .positions = static_cast<std::int64_t>(file_.Number(attributes, "POSITION", accessors, attributesAt)),
                .normals = file_.NumberOr(attributes, "NORMAL", accessors, ofAll.normals, attributesAt),
                .uvs = file_.NumberOr(attributes, "TEXCOORD_0", accessors, ofAll.uvs, attributesAt)};
            // One vertex array for all parts, as the library writes them.
            const auto differs = [](std::int64_t all, std::int64_t mine) { return all >= 0 && mine != all; };
            if (file_.NumberOr(primitive, "mode", kTriangles + 1, kTriangles, at) != kTriangles ||
                differs(ofAll.positions, ofThis.positions) || differs(ofAll.normals, ofThis.normals) ||
                differs(ofAll.uvs, ofThis.uvs)) {
                ViewSceneFile::Refuse(ViewSceneFault::Member, at);
            }
            ofAll = ofThis;
            indexAccessors.push_back(file_.Number(primitive, "indices", accessors, at));
            indices.push_back(file_.AccessorAt(indexAccessors.back(), {kGltfUnsignedShort, kGltfUnsignedInt}, 1));
            if (indices.back().count % 3 != 0 || indices.back().count > std::numeric_limits<int>::max()) {
                ViewSceneFile::Refuse(ViewSceneFault::Arrays, MemberOf("/accessors", indexAccessors.back()));
            }
            mesh.wideIndices = mesh.wideIndices || indices.back().componentType == kGltfUnsignedInt;
            ViewMesh::Part part;
            part.indexCount = static_cast<int>(indices.back().count);
            part.material = static_cast<int>(file_.NumberOr(primitive, "material", materialCount, -1, at));
            mesh.parts.push_back(part);
        }
        mesh.smooth = ofAll.normals >= 0;
        mesh.textured = ofAll.uvs >= 0;
        // Meshes placed with their transform in the positions share their other arrays.
        auto [vertices, isNewVertices] = vertices_.try_emplace(ofAll);
        if (isNewVertices) vertices->second = ReadVertices(ofAll);
        mesh.vertices = vertices->second.bytes;
        auto [sharedIndices, isNewIndices] = indices_.try_emplace(indexAccessors);
        if (isNewIndices) sharedIndices->second = ReadIndices(indices, mesh.wideIndices);
        mesh.indices = sharedIndices->second;
        std::uint64_t first = 0;
        bool measured = false;
        for (ViewMesh::Part& part : mesh.parts) {
            if (first > static_cast<std::uint64_t>(std::numeric_limits<int>::max() - part.indexCount)) {
                ViewSceneFile::Refuse(ViewSceneFault::Arrays, where);
            }
            part.firstIndex = static_cast<int>(first);
            first += static_cast<std::uint64_t>(part.indexCount);
            if (part.indexCount == 0) continue;
            if (mesh.wideIndices) {
                MeasurePart<std::uint32_t>(mesh, vertices->second.count, part, where);
            } else {
                MeasurePart<std::uint16_t>(mesh, vertices->second.count, part, where);
            }
            IncludePoint(mesh.box, part.box.low.data(), !measured);
            IncludePoint(mesh.box, part.box.high.data(), false);
            measured = true;
        }
        // A part without triangles draws nothing.
        std::erase_if(mesh.parts, [](const ViewMesh::Part& part) { return part.indexCount == 0; });
        return mesh;
    }

private:
    ViewSceneFile& file_;
    std::map<VertexAccessors, Vertices> vertices_;
    std::map<std::vector<std::uint64_t>, std::shared_ptr<const std::vector<std::byte>>> indices_;
};

}  // namespace

void IncludePoint(ViewBox& box, const float* point, bool first) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.low[axis] = first ? point[axis] : std::min(box.low[axis], point[axis]);
        box.high[axis] = first ? point[axis] : std::max(box.high[axis], point[axis]);
    }
}

std::vector<ViewMesh> ReadViewMeshes(ViewSceneFile& file, const json& meshes, std::size_t materialCount) {
    MeshReader reader(file);
    std::vector<ViewMesh> read;
    for (std::size_t i = 0; meshes.is_array() && i < meshes.size(); ++i) {
        read.push_back(reader.Read(meshes[i], MemberOf("/meshes", i), materialCount));
    }
    return read;
}

}  // namespace korvanta
