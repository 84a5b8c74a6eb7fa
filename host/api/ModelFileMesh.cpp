#include "ModelFileMesh.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <map>
#include <span>
#include <utility>

#include "FlatHashMap.h"
#include "ModelFileTransform.h"
#include "utils/Utf8Conversion.h"

namespace korvanta {
namespace {

constexpr std::uint32_t kNone = 0xffffffffu;

bool SameUv(const TextureCoordinate& a, const TextureCoordinate& b) { return a.u == b.u && a.v == b.v; }

// A key for the copies' table; different copies may share one.
std::uint64_t KeyOf(std::uint32_t vertex, const TextureCoordinate& uv) {
    std::uint64_t key = vertex;
    for (float value : {uv.u, uv.v}) key = (key ^ std::bit_cast<std::uint32_t>(value)) * 0x9e3779b97f4a7c15ULL;
    return key & (FlatHashMap::kEmptyKey >> 1);
}

int AddAccessor(int view, int componentType, int type, std::size_t count, tinygltf::Model& gltf) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    gltf.accessors.push_back(std::move(accessor));
    return static_cast<int>(gltf.accessors.size() - 1);
}

// Viewers cull and frame by these bounds, and the format requires them to
// match the stored (single-precision) positions exactly.
void SetBounds(tinygltf::Accessor& accessor, std::span<const float> positions) {
    accessor.minValues.assign(3, std::numeric_limits<double>::infinity());
    accessor.maxValues.assign(3, -std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        accessor.minValues[i % 3] = std::min(accessor.minValues[i % 3], static_cast<double>(positions[i]));
        accessor.maxValues[i % 3] = std::max(accessor.maxValues[i % 3], static_cast<double>(positions[i]));
    }
}

const Point3& DrawnPoint(const Entities& entities, const DrawnEntities& drawn, std::size_t index) {
    const std::size_t own = entities.vertices.size();
    return entities.vertices[index < own ? index : drawn.copiedVertex[index - own]];
}

std::vector<float> DrawnPositions(const Entities& entities, const DrawnEntities& drawn, const KVTransformation* bake) {
    std::vector<float> positions;
    positions.reserve(drawn.Count() * 3);
    for (std::size_t i = 0; i < drawn.Count(); ++i) {
        const Point3 p = bake != nullptr ? TransformPoint(*bake, DrawnPoint(entities, drawn, i)) : DrawnPoint(entities, drawn, i);
        positions.insert(positions.end(), {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    }
    return positions;
}

int AddPositionsAccessor(std::vector<float> positions, int view, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    if (view < 0) view = buffer.AddArray(positions, TINYGLTF_TARGET_ARRAY_BUFFER);
    const int accessor = AddAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, positions.size() / 3, gltf);
    SetBounds(gltf.accessors[static_cast<std::size_t>(accessor)], positions);
    return accessor;
}

bool HasTexture(const tinygltf::Model& gltf, int material) {
    return material >= 0 && gltf.materials[static_cast<std::size_t>(material)].pbrMetallicRoughness.baseColorTexture.index >= 0;
}

template <typename Index>
int AddIndices(const std::vector<std::uint32_t>& drawnIndices, GltfBufferWriter& buffer) {
    std::vector<Index> indices(drawnIndices.begin(), drawnIndices.end());
    return buffer.AddArray(indices, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
}

// The primitives, with their index views and accessors; made once per entities.
void AddPrimitives(const Entities& entities, DrawnEntities& drawn, const GltfMaterialIndices& materials,
                   GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    // Keyed by glTF material (-1 for none) and texturing, in a stable order.
    std::map<std::pair<int, bool>, std::vector<std::uint32_t>> primitiveIndices;
    // Faces come in runs of one material: the lists are looked up once a run.
    const Face* runStart = nullptr;
    std::vector<std::uint32_t>* indices = nullptr;
    for (const Face& face : entities.faces) {
        if (face.triangleCount == 0) continue;
        if (runStart == nullptr || face.frontMaterial != runStart->frontMaterial || face.textured != runStart->textured) {
            runStart = &face;
            const auto material = materials.find(face.frontMaterial);
            indices = &primitiveIndices[{material == materials.end() ? -1 : material->second, face.textured}];
        }
        for (const Triangle& triangle : entities.TrianglesOf(face)) {
            for (std::uint32_t corner : triangle.corners) indices->push_back(drawn.cornerDrawn[corner]);
        }
    }
    for (const auto& [key, indices] : primitiveIndices) {
        DrawnEntities::Primitive& primitive = drawn.primitives.emplace_back();
        primitive.material = key.first;
        primitive.hasUvs = key.second || HasTexture(gltf, key.first);
        primitive.indicesView = drawn.ShortIndices() ? AddIndices<std::uint16_t>(indices, buffer)
                                                     : AddIndices<std::uint32_t>(indices, buffer);
        primitive.indicesAccessor =
            AddAccessor(primitive.indicesView,
                        drawn.ShortIndices() ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                        TINYGLTF_TYPE_SCALAR, indices.size(), gltf);
    }
    const bool anyUvs = std::any_of(drawn.primitives.begin(), drawn.primitives.end(),
                                    [](const DrawnEntities::Primitive& primitive) { return primitive.hasUvs; });
    if (anyUvs) {
        std::vector<float> uvs;
        uvs.reserve(drawn.Count() * 2);
        // glTF's v axis runs down the image.
        for (const auto& uv : drawn.uvs) uvs.insert(uvs.end(), {uv.u, 1.0f - uv.v});
        drawn.uvAccessor = AddAccessor(buffer.AddArray(uvs, TINYGLTF_TARGET_ARRAY_BUFFER), TINYGLTF_COMPONENT_TYPE_FLOAT,
                                       TINYGLTF_TYPE_VEC2, drawn.Count(), gltf);
    }
}

}  // namespace

DrawnEntities DrawEntities(const Entities& entities) {
    DrawnEntities drawn;
    const std::size_t own = entities.vertices.size();
    drawn.uvs.resize(own);
    std::vector<bool> used(own, false);
    FlatHashMap firstCopyWithKey;
    std::vector<std::uint32_t> nextCopyWithKey;
    const auto drawnOf = [&](const Corner& corner) -> std::uint32_t {
        if (!used[corner.vertex]) {
            used[corner.vertex] = true;
            drawn.uvs[corner.vertex] = corner.uv;
            return corner.vertex;
        }
        if (SameUv(drawn.uvs[corner.vertex], corner.uv)) return corner.vertex;
        const auto number = static_cast<std::uint32_t>(drawn.uvs.size());
        const auto [head, inserted] = firstCopyWithKey.Insert(KeyOf(corner.vertex, corner.uv), number);
        if (!inserted) {
            for (std::uint32_t copy = *head; copy != kNone; copy = nextCopyWithKey[copy - own]) {
                if (drawn.copiedVertex[copy - own] == corner.vertex && SameUv(drawn.uvs[copy], corner.uv)) return copy;
            }
        }
        nextCopyWithKey.push_back(inserted ? kNone : *head);
        if (!inserted) *head = number;
        drawn.copiedVertex.push_back(corner.vertex);
        drawn.uvs.push_back(corner.uv);
        return number;
    };
    drawn.cornerDrawn.reserve(entities.corners.size());
    for (const Corner& corner : entities.corners) drawn.cornerDrawn.push_back(drawnOf(corner));
    return drawn;
}

int DrawnPositionsView(const Entities& entities, DrawnEntities& drawn, GltfBufferWriter& buffer) {
    if (drawn.positionsView < 0) {
        drawn.positionsView = buffer.AddArray(DrawnPositions(entities, drawn, nullptr), TINYGLTF_TARGET_ARRAY_BUFFER);
    }
    return drawn.positionsView;
}

std::size_t DrawnEntitiesBytesAtMost(const Entities& entities) {
    // Every corner a drawn vertex of its own (position, two texture
    // coordinates in each precision) and an index in the mesh and in the
    // structure; a few views per face for the primitives.
    constexpr std::size_t kCornerBytes = 3 * sizeof(float) + 2 * sizeof(float) + 2 * sizeof(double) + 2 * sizeof(std::uint32_t);
    return (entities.corners.size() + entities.vertices.size()) * kCornerBytes +
           entities.triangles.size() * 3 * sizeof(std::uint32_t) +
           (entities.faces.size() + 8) * 2 * GltfBufferWriter::ViewBytesAtMost(0);
}

int AddFacesMesh(const Entities& entities, DrawnEntities& drawn, const std::string& name,
                 const GltfMaterialIndices& materials, const KVTransformation* bake, GltfBufferWriter& buffer,
                 tinygltf::Model& gltf) {
    if (std::none_of(entities.faces.begin(), entities.faces.end(), [](const Face& face) { return face.triangleCount != 0; })) {
        return -1;
    }
    if (drawn.primitives.empty()) AddPrimitives(entities, drawn, materials, buffer, gltf);
    int positions = drawn.positionsAccessor;
    if (bake != nullptr) {
        positions = AddPositionsAccessor(DrawnPositions(entities, drawn, bake), -1, buffer, gltf);
    } else if (positions < 0) {
        positions = AddPositionsAccessor(DrawnPositions(entities, drawn, nullptr), drawn.positionsView, buffer, gltf);
        drawn.positionsView = gltf.accessors[static_cast<std::size_t>(positions)].bufferView;
        drawn.positionsAccessor = positions;
    }

    tinygltf::Mesh mesh;
    mesh.name = hollin::utils::Utf8FromUtf8OrWindows1252(name);
    for (const DrawnEntities::Primitive& drawnPrimitive : drawn.primitives) {
        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.material = drawnPrimitive.material;
        primitive.indices = drawnPrimitive.indicesAccessor;
        primitive.attributes["POSITION"] = positions;
        if (drawnPrimitive.hasUvs) primitive.attributes["TEXCOORD_0"] = drawn.uvAccessor;
        mesh.primitives.push_back(std::move(primitive));
    }
    gltf.meshes.push_back(std::move(mesh));
    return static_cast<int>(gltf.meshes.size() - 1);
}

}  // namespace korvanta
