#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <lib3ds/file.h>
#include <lib3ds/node.h>

namespace hollin::samples {

using Point = std::array<float, 3>;
using Triangle = std::array<std::uint16_t, 3>;
using Texel = std::array<float, 2>;

// A triangle naming its own material; an empty name gives none.
struct MeshFace {
    Triangle points;
    std::string material;
    std::uint32_t smoothing = 0;  // its smoothing groups, one bit each
};

// A mesh whose faces name their materials one by one. Texels pair with the
// first points, as many as there are; the translation goes into the mesh's matrix.
struct MeshData {
    std::string name;
    std::vector<Point> points;
    std::vector<MeshFace> faces;
    std::vector<Texel> texels = {};
    Point translation = {};
};

// Builds a 3DS scene in memory with lib3ds, whose lists it keeps sorted by
// name, and writes it out. Points are in world coordinates, as 3DS files keep
// them; matrices are the identity unless a mesh is given a translation. Node
// ids are handed out in call order from 0.
class SceneBuilder {
public:
    SceneBuilder();
    ~SceneBuilder();
    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    SceneBuilder& AddMaterial(const std::string& name, const Point& diffuse = {0.5f, 0.5f, 0.5f},
                              float transparency = 0.0f, const std::string& textureFileName = {});
    // Lays the material's texture map `scale` times, shifted by `offset` and turned by `rotation` degrees.
    void SetMapTiling(const std::string& materialName, const Texel& scale, const Texel& offset, float rotation);
    // All faces take `materialName` and the `smoothing` groups; texels, when given, pair with the points.
    void AddMesh(const std::string& name, std::span<const Point> points, std::span<const Triangle> faces,
                 const std::string& materialName, std::span<const Texel> texels = {}, std::uint32_t smoothing = 0);
    SceneBuilder& AddMesh(const MeshData& mesh);
    // An object node placing the mesh of the same name, under `parent` when one is given.
    Lib3dsNode* AddObjectNode(const std::string& meshName, const Lib3dsNode* parent = nullptr);
    Lib3dsNode* AddCameraNode(const std::string& name, const Lib3dsNode* parent = nullptr);
    void AddCamera(const std::string& name, const Point& position, const Point& target);
    void SetMasterScale(float scale);

    // Writes the scene; false when lib3ds cannot write the file.
    bool Save(const std::string& path) const;

private:
    Lib3dsNode* InsertNode(Lib3dsNode* node, const std::string& name, const Lib3dsNode* parent);

    Lib3dsFile* file_;
    std::uint16_t nextNodeId_ = 0;
};

}  // namespace hollin::samples
