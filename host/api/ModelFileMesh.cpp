#include "ModelFileMesh.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "FlatHashMap.h"
#include "ModelFileTransform.h"
#include "utils/Utf8Conversion.h"

namespace korvanta {
namespace {

// A drawn vertex: glTF has one index per vertex, so a host vertex becomes
// as many drawn vertices as it has distinct normals and texture coordinates.
struct DrawnCorner {
    std::uint32_t vertex = 0;
    std::array<float, 2> uv{};
    std::array<float, 3> normal{};

    bool operator==(const DrawnCorner& other) const {
        return vertex == other.vertex && uv == other.uv && normal == other.normal;
    }
};

// A key for the corner table; different corners may share one.
std::uint64_t KeyOf(const DrawnCorner& corner) {
    std::uint64_t key = corner.vertex;
    const auto mix = [&key](float value) { key = (key ^ std::bit_cast<std::uint32_t>(value)) * 0x9e3779b97f4a7c15ULL; };
    for (float value : corner.uv) mix(value);
    for (float value : corner.normal) mix(value);
    return key & (FlatHashMap::kEmptyKey >> 1);
}

class PrimitiveBuilder {
public:
    explicit PrimitiveBuilder(bool textured) : textured_(textured) {}

    void AddCorner(const DrawnCorner& corner, const std::array<float, 3>& position) {
        const auto number = static_cast<std::uint32_t>(drawn_.size());
        const auto [head, inserted] = firstWithKey_.Insert(KeyOf(corner), number);
        if (!inserted) {
            for (std::uint32_t i = *head; i != kNone; i = nextWithKey_[i]) {
                if (drawn_[i] == corner) {
                    indices_.push_back(i);
                    return;
                }
            }
            nextWithKey_.push_back(*head);
            *head = number;
        } else {
            nextWithKey_.push_back(kNone);
        }
        drawn_.push_back(corner);
        positions_.insert(positions_.end(), position.begin(), position.end());
        normals_.insert(normals_.end(), corner.normal.begin(), corner.normal.end());
        if (textured_) uvs_.insert(uvs_.end(), corner.uv.begin(), corner.uv.end());
        indices_.push_back(number);
    }

    tinygltf::Primitive Finish(int material, GltfBufferWriter& buffer, tinygltf::Model& gltf) const {
        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.material = material;
        primitive.indices = AddAccessor(buffer.AddArray(indices_, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER),
                                        TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                        indices_.size(), gltf);
        const int positions = AddAccessor(buffer.AddArray(positions_, TINYGLTF_TARGET_ARRAY_BUFFER),
                                          TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, drawn_.size(), gltf);
        SetBounds(gltf.accessors[static_cast<std::size_t>(positions)]);
        primitive.attributes["POSITION"] = positions;
        primitive.attributes["NORMAL"] = AddAccessor(buffer.AddArray(normals_, TINYGLTF_TARGET_ARRAY_BUFFER),
                                                     TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                                     drawn_.size(), gltf);
        if (textured_) {
            primitive.attributes["TEXCOORD_0"] = AddAccessor(buffer.AddArray(uvs_, TINYGLTF_TARGET_ARRAY_BUFFER),
                                                             TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2,
                                                             drawn_.size(), gltf);
        }
        return primitive;
    }

private:
    static int AddAccessor(int view, int componentType, int type, std::size_t count, tinygltf::Model& gltf) {
        tinygltf::Accessor accessor;
        accessor.bufferView = view;
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = count;
        gltf.accessors.push_back(std::move(accessor));
        return static_cast<int>(gltf.accessors.size() - 1);
    }

    // Viewers cull and frame by these bounds, and the format requires them
    // to match the stored (single-precision) positions exactly.
    void SetBounds(tinygltf::Accessor& accessor) const {
        accessor.minValues.assign(3, std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(3, -std::numeric_limits<double>::infinity());
        for (std::size_t i = 0; i < positions_.size(); ++i) {
            accessor.minValues[i % 3] = std::min(accessor.minValues[i % 3], static_cast<double>(positions_[i]));
            accessor.maxValues[i % 3] = std::max(accessor.maxValues[i % 3], static_cast<double>(positions_[i]));
        }
    }

    static constexpr std::uint32_t kNone = 0xffffffffu;

    bool textured_;
    // Drawn corners are shared by all triangles that have them; corners with
    // one key are chained through nextWithKey_.
    std::vector<DrawnCorner> drawn_;
    FlatHashMap firstWithKey_;
    std::vector<std::uint32_t> nextWithKey_;
    std::vector<float> positions_;
    std::vector<float> normals_;
    std::vector<float> uvs_;
    std::vector<std::uint32_t> indices_;
};

std::optional<Point3> Normalized(const Point3& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 1e-300) || !std::isfinite(length)) return std::nullopt;
    return Point3{v.x / length, v.y / length, v.z / length};
}

// Newell's method over the outer loop, which is exact for any planar polygon,
// convex or not; the first proper triangle serves faces whose loop is
// degenerate.
std::array<float, 3> FaceNormal(const Entities& entities, const Face& face, const LargeVector<Point3>& points) {
    Point3 sum;
    if (face.loopCount != 0) {
        const std::span<const Corner> corners = entities.CornersOf(entities.loops[face.firstLoop]);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const Point3& a = points[corners[i].vertex];
            const Point3& b = points[corners[(i + 1) % corners.size()].vertex];
            sum.x += (a.y - b.y) * (a.z + b.z);
            sum.y += (a.z - b.z) * (a.x + b.x);
            sum.z += (a.x - b.x) * (a.y + b.y);
        }
    }
    auto normal = Normalized(sum);
    for (const Triangle& triangle : entities.TrianglesOf(face)) {
        if (normal) break;
        const Point3& a = points[entities.corners[triangle.corners[0]].vertex];
        const Point3& b = points[entities.corners[triangle.corners[1]].vertex];
        const Point3& c = points[entities.corners[triangle.corners[2]].vertex];
        const Point3 u{b.x - a.x, b.y - a.y, b.z - a.z};
        const Point3 v{c.x - a.x, c.y - a.y, c.z - a.z};
        normal = Normalized({u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x});
    }
    const Point3 unit = normal.value_or(Point3{0.0, 0.0, 1.0});
    return {static_cast<float>(unit.x), static_cast<float>(unit.y), static_cast<float>(unit.z)};
}

}  // namespace

std::size_t FacesMeshBytesAtMost(const Entities& entities) {
    // Every triangle corner a drawn vertex of its own (position, normal,
    // texture coordinate) and an index; every face a primitive of its own
    // with four views.
    constexpr std::size_t kCornerBytes = 8 * sizeof(float) + sizeof(std::uint32_t);
    return entities.triangles.size() * 3 * kCornerBytes + entities.faces.size() * 4 * GltfBufferWriter::ViewBytesAtMost(0);
}

int AddFacesMesh(const Entities& entities, const std::string& name, const GltfMaterialIndices& materials,
                 const KVTransformation* bake, GltfBufferWriter& buffer, tinygltf::Model& gltf) {
    LargeVector<Point3> points = entities.vertices;
    if (bake != nullptr) {
        for (auto& point : points) point = TransformPoint(*bake, point);
    }
    std::vector<std::array<float, 3>> positions;
    positions.reserve(points.size());
    for (const auto& point : points) {
        positions.push_back({static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z)});
    }

    // Keyed by glTF material (-1 for none) and texturing, in a stable order.
    std::map<std::pair<int, bool>, PrimitiveBuilder> primitives;
    for (const auto& face : entities.faces) {
        if (face.triangleCount == 0) continue;
        const auto material = materials.find(face.frontMaterial);
        const int materialIndex = material == materials.end() ? -1 : material->second;
        auto& builder = primitives.try_emplace({materialIndex, face.textured}, face.textured).first->second;
        const auto normal = FaceNormal(entities, face, points);
        for (const Triangle& triangle : entities.TrianglesOf(face)) {
            for (std::uint32_t index : triangle.corners) {
                const Corner& corner = entities.corners[index];
                DrawnCorner drawn{corner.vertex, {}, normal};
                // glTF's v axis runs down the image.
                if (face.textured) drawn.uv = {static_cast<float>(corner.uv.u), static_cast<float>(1.0 - corner.uv.v)};
                builder.AddCorner(drawn, positions[corner.vertex]);
            }
        }
    }
    if (primitives.empty()) return -1;

    tinygltf::Mesh mesh;
    mesh.name = hollin::utils::Utf8FromUtf8OrWindows1252(name);
    for (const auto& [key, builder] : primitives) mesh.primitives.push_back(builder.Finish(key.first, buffer, gltf));
    gltf.meshes.push_back(std::move(mesh));
    return static_cast<int>(gltf.meshes.size() - 1);
}

}  // namespace korvanta
