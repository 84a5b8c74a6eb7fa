#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "KorvantaAPI.h"

namespace hollin::importer::testing {

// Stand-in for the host's C API library: the KV functions the converter calls
// record what they receive, so tests can compare it with the 3DS scene.
struct RecordedMaterial {
    std::string name;
    std::optional<KVColor> color;
    std::optional<double> opacity;
    std::optional<std::string> texturePath;
    bool addedToModel = false;
};

struct RecordedFill {
    std::vector<KVPoint3D> vertices;
    std::vector<std::vector<std::size_t>> faces;
    std::map<std::size_t, KVMaterialInput> frontMaterials;
    bool weldVertices = false;
};

struct RecordedDefinition {
    std::string name;
    bool addedToModel = false;
    std::vector<RecordedFill> fills;
};

struct RecordedInstance {
    std::size_t definition = 0;
    bool addedToTopLevel = false;
    bool addedWithName = false;
    std::optional<KVTransformation> transform;
};

struct RecordingHostApi {
    // Failure injection, by the zero-based number of the create call.
    std::vector<std::size_t> failingMaterialCreates;
    bool failTextureCreates = false;

    int initializeCount = 0;
    int terminateCount = 0;
    int mergeCount = 0;
    int modelReleaseCount = 0;
    std::size_t materialCreateCalls = 0;
    std::vector<std::string> calls;
    std::vector<std::string> misuses;
    std::vector<std::string> textureRequests;
    std::vector<std::string> textures;
    std::vector<RecordedMaterial> materials;
    std::vector<RecordedDefinition> definitions;
    std::vector<RecordedInstance> instances;
    std::vector<std::string> savedPaths;
    std::size_t geometryInputsCreated = 0;
    std::size_t geometryInputsReleased = 0;

    // Index into `materials` of a reference handed out by KVMaterialCreate.
    std::optional<std::size_t> MaterialIndex(KVMaterialRef material) const;
    std::size_t FilledFaceCount() const;
    std::size_t CallCount(const std::string& function) const;

    static RecordingHostApi& Get();
    static void Reset();
};

}  // namespace hollin::importer::testing
