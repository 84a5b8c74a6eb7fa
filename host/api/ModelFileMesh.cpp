#include "ModelFileMesh.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <map>
#include <utility>

#include "FlatHashMap.h"
#include "ModelFileTransform.h"
#include "SmoothNormals.h"
#include "utils/Utf8Conversion.h"

namespace korvanta {
namespace {

bool SameUv(const TextureCoordinate& a, const TextureCoordinate& b) { return a.u == b.u && a.v == b.v; }

// A key for the copies' table; different copies may share one.
std::uint64_t KeyOf(std::uint32_t vertex, const TextureCoordinate& uv) {
    std::uint64_t key = vertex;
    for (float value : {uv.u, uv.v}) key = (key ^ std::bit_cast<std::uint32_t>(value)) * 0x9e3779b97f4a7c15ULL;
    return key & (FlatHashMap::kEmptyKey >> 1);
}

bool IsSinglePrecision(double value) { return static_cast<double>(static_cast<float>(value)) == value; }

std::array<float, 3> SinglePrecision(const Point3& p) {
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
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

const Point3& DrawnPoint(const Entities& entities, const DrawnEntities& drawn, std::size_t index) {
    const std::size_t own = entities.vertices.size();
    return entities.vertices[index < own ? index : drawn.copiedVertex[index - own]];
}

// Numbers the drawn vertices: the texture coordinates (and, with smooth
// edges, the normals) of each vertex's corners, and a copy for each further one.
void NumberDrawnVertices(const Entities& entities, DrawnEntities& drawn) {
    const std::size_t own = entities.vertices.size();
    CornerNormals cornerNormals = SmoothCornerNormals(entities);
    drawn.smoothSides = std::move(cornerNormals.smoothSides);
    const bool withNormals = !cornerNormals.normals.empty();
    drawn.uvs.assign(own, {});
    std::vector<std::uint32_t> normalOf(withNormals ? own : 0, CornerNormals::kAny);  // per drawn vertex
    std::vector<bool> used(own, false);
    FlatHashMap firstCopyWithKey;
    std::vector<std::uint32_t> nextCopyWithKey;
    const auto drawnOf = [&](std::size_t c) -> std::uint32_t {
        const Corner& corner = entities.corners[c];
        const std::uint32_t normal = withNormals ? cornerNormals.normalOfCorner[c] : CornerNormals::kAny;
        // A corner no face draws goes with its vertex as it is.
        if (withNormals && normal == CornerNormals::kAny) return corner.vertex;
        const auto same = [&](std::uint32_t number) {
            return SameUv(drawn.uvs[number], corner.uv) && (!withNormals || normalOf[number] == normal);
        };
        if (!used[corner.vertex]) {
            used[corner.vertex] = true;
            drawn.uvs[corner.vertex] = corner.uv;
            if (withNormals) normalOf[corner.vertex] = normal;
            return corner.vertex;
        }
        if (same(corner.vertex)) return corner.vertex;
        const auto number = static_cast<std::uint32_t>(drawn.uvs.size());
        const auto [head, inserted] = firstCopyWithKey.Insert(KeyOf(corner.vertex, corner.uv), number);
        if (!inserted) {
            for (std::uint32_t copy = *head; copy != kNoIndex; copy = nextCopyWithKey[copy - own]) {
                if (drawn.copiedVertex[copy - own] == corner.vertex && same(copy)) return copy;
            }
        }
        nextCopyWithKey.push_back(inserted ? kNoIndex : *head);
        if (!inserted) *head = number;
        drawn.copiedVertex.push_back(corner.vertex);
        drawn.uvs.push_back(corner.uv);
        if (withNormals) normalOf.push_back(normal);
        return number;
    };
    // Corners keep their own vertices until one needs a copy; only then is
    // the table of every corner's drawn vertex made.
    for (std::size_t c = 0; c < entities.corners.size(); ++c) {
        const std::uint32_t number = drawnOf(c);
        if (!drawn.cornerDrawn.empty()) {
            drawn.cornerDrawn.push_back(number);
        } else if (number != entities.corners[c].vertex) {
            drawn.cornerDrawn.reserve(entities.corners.size());
            for (std::size_t earlier = 0; earlier < c; ++earlier) drawn.cornerDrawn.push_back(entities.corners[earlier].vertex);
            drawn.cornerDrawn.push_back(number);
        }
    }
    drawn.anyUv = std::any_of(drawn.uvs.begin(), drawn.uvs.end(), [](const TextureCoordinate& uv) {
        return uv.u != 0.0f || uv.v != 0.0f;
    });
    drawn.normals.reserve(normalOf.size());
    for (const std::uint32_t normal : normalOf) {
        // A vertex no face draws still needs a unit normal.
        drawn.normals.push_back(normal == CornerNormals::kAny ? std::array<float, 3>{0.0f, 0.0f, 1.0f}
                                                              : cornerNormals.normals[normal]);
    }
}

// The bounds of the positions as stored, and whether single precision holds them exactly.
void MeasurePositions(const Entities& entities, DrawnEntities& drawn) {
    drawn.low.fill(std::numeric_limits<float>::infinity());
    drawn.high.fill(-std::numeric_limits<float>::infinity());
    for (const Point3& p : entities.vertices) {
        const std::array<float, 3> stored = SinglePrecision(p);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            drawn.low[axis] = std::min(drawn.low[axis], stored[axis]);
            drawn.high[axis] = std::max(drawn.high[axis], stored[axis]);
        }
        drawn.singlePrecision = drawn.singlePrecision && IsSinglePrecision(p.x) && IsSinglePrecision(p.y) &&
                                IsSinglePrecision(p.z);
    }
}

// What the layout needs of the faces: the primitives' sizes and how the structure stores them.
void CountFaces(const Entities& entities, const GltfMaterialIndices& materials, DrawnEntities& drawn) {
    std::map<std::pair<int, bool>, std::size_t> indexCounts;
    // Faces come in runs of one material: it is looked up once a run.
    const Face* runStart = nullptr;
    std::pair<int, bool> key, firstKey;
    std::size_t* indexCount = nullptr;  // of the run's primitive, once a face of the run has triangles
    for (const Face& face : entities.faces) {
        if (runStart == nullptr || face.frontMaterial != runStart->frontMaterial || face.textured != runStart->textured) {
            runStart = &face;
            indexCount = nullptr;
            key = {GltfMaterialOf(face, materials), face.textured};
            if (&face == entities.faces.data()) firstKey = key;
            drawn.oneMaterial = drawn.oneMaterial && key == firstKey;
        }
        for (const Loop& loop : entities.LoopsOf(face)) drawn.loopCorners += loop.cornerCount;
        if (!IsPlainTriangle(entities, face)) {
            drawn.allPlain = false;
            ++drawn.otherFaces;
            drawn.otherLoops += face.loopCount;
            drawn.otherTriangles += face.triangleCount;
        }
        if (face.triangleCount == 0) continue;
        if (indexCount == nullptr) indexCount = &indexCounts[key];
        *indexCount += std::size_t{3} * face.triangleCount;
    }
    for (const auto& [primitiveKey, count] : indexCounts) {
        drawn.primitives.push_back({.material = primitiveKey.first, .textured = primitiveKey.second, .indexCount = count});
    }
}

void AddPositionsAccessor(const DrawnEntities& drawn, int view, std::array<float, 3> low, std::array<float, 3> high,
                          tinygltf::Model& gltf) {
    const int index = AddAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, drawn.Count(), gltf);
    // Viewers cull and frame by these bounds, and the format requires them to
    // match the stored (single-precision) positions exactly.
    tinygltf::Accessor& accessor = gltf.accessors[static_cast<std::size_t>(index)];
    accessor.minValues.assign(low.begin(), low.end());
    accessor.maxValues.assign(high.begin(), high.end());
}

// The positions of an instance's vertices whose transform no node can hold.
int AddBakedPositions(const Entities& entities, const DrawnEntities& drawn, const KVTransformation& bake,
                      GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    std::array<float, 3> low, high;
    low.fill(std::numeric_limits<float>::infinity());
    high.fill(-std::numeric_limits<float>::infinity());
    for (const Point3& p : entities.vertices) {
        const std::array<float, 3> stored = SinglePrecision(TransformPoint(bake, p));
        for (std::size_t axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], stored[axis]);
            high[axis] = std::max(high[axis], stored[axis]);
        }
    }
    const int view = buffer.AddArray<float>(drawn.Count() * 3, [&entities, &drawn, bake](ArrayEmitter<float>& emit) {
        for (std::size_t i = 0; i < drawn.Count(); ++i) {
            for (const float value : SinglePrecision(TransformPoint(bake, DrawnPoint(entities, drawn, i)))) emit(value);
        }
    }, TINYGLTF_TARGET_ARRAY_BUFFER);
    AddPositionsAccessor(drawn, view, low, high, gltf);
    return static_cast<int>(gltf.accessors.size() - 1);
}

// The normals of an instance's vertices whose transform no node can hold:
// turned by the inverse transpose of the transform, and made unit again.
int AddBakedNormals(const DrawnEntities& drawn, const KVTransformation& bake, GltfBufferWriter& buffer,
                    tinygltf::Model& gltf) {
    const NormalTransform turn(bake);
    const int view = buffer.AddArray<float>(drawn.Count() * 3, [&drawn, turn](ArrayEmitter<float>& emit) {
        for (const std::array<float, 3>& normal : drawn.normals) {
            for (const float value : turn.Apply(normal)) emit(value);
        }
    }, TINYGLTF_TARGET_ARRAY_BUFFER);
    return AddAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, drawn.Count(), gltf);
}

bool HasTexture(const tinygltf::Model& gltf, int material) {
    return material >= 0 && gltf.materials[static_cast<std::size_t>(material)].pbrMetallicRoughness.baseColorTexture.index >= 0;
}

// The primitives' index views and accessors, and the texture coordinates'; laid out once per entities.
void AddPrimitives(const Entities& entities, DrawnEntities& drawn, const GltfMaterialIndices& materials,
                   GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    bool anyUvs = false;
    for (DrawnEntities::Primitive& primitive : drawn.primitives) {
        primitive.hasUvs = primitive.textured || HasTexture(gltf, primitive.material);
        anyUvs = anyUvs || primitive.hasUvs;
        const auto make = [&entities, &drawn, &materials, key = std::pair(primitive.material, primitive.textured)](auto emit) {
            const Face* runStart = nullptr;
            bool inPrimitive = false;
            for (const Face& face : entities.faces) {
                if (face.triangleCount == 0) continue;
                if (runStart == nullptr || face.frontMaterial != runStart->frontMaterial || face.textured != runStart->textured) {
                    runStart = &face;
                    inPrimitive = face.textured == key.second && GltfMaterialOf(face, materials) == key.first;
                }
                if (!inPrimitive) continue;
                for (const Triangle& triangle : entities.TrianglesOf(face)) {
                    for (std::uint32_t corner : triangle.corners) emit(drawn.DrawnOf(entities, corner));
                }
            }
        };
        primitive.indicesView = AddDrawnIndices(drawn, primitive.indexCount, make, buffer, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        primitive.indicesAccessor =
            AddAccessor(primitive.indicesView,
                        drawn.ShortIndices() ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                        TINYGLTF_TYPE_SCALAR, primitive.indexCount, gltf);
    }
    if (anyUvs) {
        const int view = buffer.AddArray<float>(drawn.Count() * 2, [&drawn](ArrayEmitter<float>& emit) {
            // glTF's v axis runs down the image.
            for (const TextureCoordinate& uv : drawn.uvs) {
                emit(uv.u);
                emit(1.0f - uv.v);
            }
        }, TINYGLTF_TARGET_ARRAY_BUFFER);
        drawn.uvAccessor = AddAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, drawn.Count(), gltf);
    }
    if (!drawn.normals.empty()) {
        const int view = buffer.AddArray<float>(drawn.Count() * 3, [&drawn](ArrayEmitter<float>& emit) {
            for (const std::array<float, 3>& normal : drawn.normals) {
                for (const float value : normal) emit(value);
            }
        }, TINYGLTF_TARGET_ARRAY_BUFFER);
        drawn.normalAccessor = AddAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, drawn.Count(), gltf);
    }
}

}  // namespace

int GltfMaterialOf(const Face& face, const GltfMaterialIndices& materials) {
    const auto material = materials.find(face.frontMaterial);
    return material == materials.end() ? -1 : material->second;
}

bool IsPlainTriangle(const Entities& entities, const Face& face) {
    if (face.loopCount != 1 || face.triangleCount != 1) return false;
    const Loop& loop = entities.loops[face.firstLoop];
    const Triangle& triangle = entities.triangles[face.firstTriangle];
    return loop.cornerCount == 3 && triangle.corners[0] == loop.firstCorner &&
           triangle.corners[1] == loop.firstCorner + 1 && triangle.corners[2] == loop.firstCorner + 2;
}

DrawnEntities DrawEntities(const Entities& entities, const GltfMaterialIndices& materials) {
    DrawnEntities drawn;
    NumberDrawnVertices(entities, drawn);
    MeasurePositions(entities, drawn);
    CountFaces(entities, materials, drawn);
    return drawn;
}

int DrawnPositionsView(const Entities& entities, DrawnEntities& drawn, GltfBufferWriter& buffer) {
    if (drawn.positionsView < 0) {
        drawn.positionsView = buffer.AddArray<float>(drawn.Count() * 3, [&entities, &drawn](ArrayEmitter<float>& emit) {
            for (std::size_t i = 0; i < drawn.Count(); ++i) {
                for (const float value : SinglePrecision(DrawnPoint(entities, drawn, i))) emit(value);
            }
        }, TINYGLTF_TARGET_ARRAY_BUFFER);
    }
    return drawn.positionsView;
}

int AddFacesMesh(const Entities& entities, DrawnEntities& drawn, const std::string& name,
                 const GltfMaterialIndices& materials, const KVTransformation* bake, GltfBufferWriter& buffer,
                 tinygltf::Model& gltf) {
    if (drawn.primitives.empty()) return -1;
    if (drawn.primitives.front().indicesView < 0) AddPrimitives(entities, drawn, materials, buffer, gltf);
    int positions = drawn.positionsAccessor;
    int normals = drawn.normalAccessor;
    if (bake != nullptr) {
        positions = AddBakedPositions(entities, drawn, *bake, buffer, gltf);
        if (normals >= 0) normals = AddBakedNormals(drawn, *bake, buffer, gltf);
    } else if (positions < 0) {
        AddPositionsAccessor(drawn, DrawnPositionsView(entities, drawn, buffer), drawn.low, drawn.high, gltf);
        positions = drawn.positionsAccessor = static_cast<int>(gltf.accessors.size() - 1);
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
        if (normals >= 0) primitive.attributes["NORMAL"] = normals;
        mesh.primitives.push_back(std::move(primitive));
    }
    gltf.meshes.push_back(std::move(mesh));
    return static_cast<int>(gltf.meshes.size() - 1);
}

}  // namespace korvanta
