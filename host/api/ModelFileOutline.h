#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "InstanceGraph.h"
#include "KorvantaAPI.h"

// What a model file says of the model without its geometry: the parts'
// names and face counts, what each places, and the materials. It comes from
// the file's JSON alone, where reading the model takes about as much memory
// as building it did; for a window that lists a large model's parts.
namespace korvanta {

struct OutlineEntities {
    std::size_t faces = 0;
    std::size_t triangles = 0;  // the faces' triangles, from the lengths the file states
    std::vector<std::size_t> placed;  // each instance's definition, by its index
};

struct ModelOutline {
    struct Material {
        std::string name;
        KVColor color{255, 255, 255, 255};
        double opacity = 1.0;
        bool textured = false;
        std::size_t textureWidth = 0, textureHeight = 0;
    };
    struct Definition {
        std::string name;
        OutlineEntities entities;
    };

    std::vector<Material> materials;
    std::vector<Definition> definitions;
    OutlineEntities entities;
};

// The outline the model's description in `document` gives (see
// ModelFileStructure.h); false when there is none, or one whose counts or
// instances do not hold together, with `faultMember` as ReadModelStructure
// gives it.
bool ReadModelOutline(const nlohmann::json& document, ModelOutline& outline, std::string* faultMember = nullptr);

// The instances checked as a model's are (see InstanceGraph.h).
InstanceGraphFault FindInstanceGraphFault(const ModelOutline& outline);
std::optional<std::vector<std::uint64_t>> TimesDrawn(const ModelOutline& outline);

// Reads the outline of a model file: its header and JSON only, checked as
// LoadModelFile checks them, and refused with the same verdicts. `outline`
// changes only on success.
KVResult LoadModelOutline(const std::string& path, ModelOutline& outline, KVModelFileVerdict* verdict = nullptr);

}  // namespace korvanta
