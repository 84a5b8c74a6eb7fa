#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <lib3ds/file.h>
#include <lib3ds/node.h>

namespace hollin::samples {

using Point = std::array<float, 3>;
using Triangle = std::array<std::uint16_t, 3>;
using Texel = std::array<float, 2>;

// Builds a 3DS scene in memory with lib3ds and writes it out. Points are in
// world coordinates, as 3DS files keep them; every matrix is the identity.
class SceneBuilder {
public:
    SceneBuilder();
    ~SceneBuilder();
    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    void AddMaterial(const std::string& name, const Point& diffuse, float transparency = 0.0f,
                     const std::string& textureFileName = {});
    // All faces take `materialName`; texels, when given, pair with the points.
    void AddMesh(const std::string& name, std::span<const Point> points, std::span<const Triangle> faces,
                 const std::string& materialName, std::span<const Texel> texels = {});
    // An object node placing the mesh of the same name, under `parent` when one is given.
    Lib3dsNode* AddObjectNode(const std::string& meshName, const Lib3dsNode* parent = nullptr);
    void AddCamera(const std::string& name, const Point& position, const Point& target);

    // Writes the scene; false when lib3ds cannot write the file.
    bool Save(const std::string& path) const;

private:
    Lib3dsFile* file_;
    std::uint16_t nextNodeId_ = 0;
};

}  // namespace hollin::samples
