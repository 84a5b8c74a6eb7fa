#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <lib3ds/file.h>

namespace hollin::importer::testing {

struct TriangleSpec {
    std::uint16_t a, b, c;
    std::string material;
};

struct MeshSpec {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<TriangleSpec> faces;
    std::vector<std::array<float, 2>> texels;
    std::array<float, 3> translation{0.0f, 0.0f, 0.0f};
};

// A mesh of `faceCount` triangles over a strip of points, all naming `material`.
MeshSpec StripMesh(const std::string& name, std::size_t faceCount, const std::string& material = {});

// Writes 3DS files with lib3ds's own writer. lib3ds keeps each list sorted by
// name, so scenes list their materials, meshes and nodes alphabetically.
class SceneWriter {
public:
    SceneWriter();
    ~SceneWriter();
    SceneWriter(const SceneWriter&) = delete;
    SceneWriter& operator=(const SceneWriter&) = delete;

    SceneWriter& MasterScale(float scale);
    SceneWriter& AddCamera(const std::string& name);
    SceneWriter& AddMaterial(const std::string& name, std::array<float, 4> diffuse = {0.5f, 0.5f, 0.5f, 1.0f},
                             float transparency = 0.0f, const std::string& texture = {});
    SceneWriter& AddMesh(const MeshSpec& mesh);
    // Node ids are handed out in call order from 0; `parent` is such an id.
    SceneWriter& AddObjectNode(const std::string& name, int parent = -1);
    SceneWriter& AddCameraNode(const std::string& name, int parent = -1);

    void Save(const std::filesystem::path& path) const;

private:
    SceneWriter& InsertNode(Lib3dsNode* node, const std::string& name, int parent);

    Lib3dsFile* file_;
    int nextNodeId_ = 0;
};

}  // namespace hollin::importer::testing
