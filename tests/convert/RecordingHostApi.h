#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "KorvantaAPI.h"

namespace hollin::importer::testing {

// Stand-in for the host's C API library: the KV functions the converter calls
// record what they receive. References are positions in the lists below, read
// back with bounds checks, so a null or foreign reference throws and fails the test.
struct RecordedMaterial {
    std::string name;
    KVColor color{};
    double opacity = 0.0;
    std::string texturePath;
};

struct RecordedFill {
    std::vector<KVPoint3D> vertices;
    std::vector<std::vector<std::size_t>> faces;
    std::map<std::size_t, KVMaterialInput> frontMaterials;
    bool weldVertices = false;
};

struct RecordedDefinition {
    std::string name;
    std::vector<RecordedFill> fills;
};

struct RecordedInstance {
    bool topLevel = false;
    KVTransformation transform{};
};

struct RecordingHostApi {
    bool refuseNextMaterial = false;
    bool refuseTextures = false;

    std::vector<std::string> calls;
    std::vector<std::string> textureRequests;
    std::vector<RecordedMaterial> materials;
    std::vector<RecordedDefinition> definitions;
    std::vector<RecordedInstance> instances;
    std::vector<RecordedFill> geometryInputs;
    std::vector<std::vector<std::size_t>> loops;
    std::vector<std::string> savedPaths;
    std::size_t openGeometryInputs = 0;

    std::size_t FilledFaceCount() const {
        std::size_t count = 0;
        for (const RecordedDefinition& definition : definitions) {
            for (const RecordedFill& fill : definition.fills) count += fill.faces.size();
        }
        return count;
    }
    std::vector<std::string> DefinitionNames() const {
        std::vector<std::string> names;
        for (const RecordedDefinition& definition : definitions) names.push_back(definition.name);
        return names;
    }
};

// The one recording host of the process; tests reset it with `Host() = {}`.
RecordingHostApi& Host();
// Position in `Host().materials` of a reference handed out by KVMaterialCreate.
std::size_t MaterialIndex(KVMaterialRef material);

}  // namespace hollin::importer::testing
