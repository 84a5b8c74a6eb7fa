#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "KorvantaAPI.h"

namespace plugin_tests {

// What a conversion left in its model file, read back through the host's API.
struct SavedModel {
    struct Definition {
        std::string name;
        std::size_t faces = 0;
        KVBoundingBox3D bounds{};
    };
    struct Material {
        std::string name;
        bool textured = false;
    };

    bool opened = false;
    std::vector<Material> materials;
    std::vector<Definition> definitions;
    std::size_t topLevelInstances = 0;

    static SavedModel Read(const std::filesystem::path& path);
    const Definition* FindDefinition(const std::string& name) const;
    std::size_t TotalFaces() const;
};

}  // namespace plugin_tests
