#include "ModelFileOutline.h"

#include <memory>

#include "Model.h"
#include "ModelFileDescription.h"

namespace korvanta {
namespace {

using nlohmann::json;

ModelOutline::Material ReadMaterial(const json& description, const std::string& where) {
    ModelOutline::Material material;
    material.name = description.at("name").get<std::string>();
    material.color = ColorAt(description, "color", where);
    material.opacity = description.at("opacity").get<double>();
    if (description.contains("texture")) {
        const json& texture = description.at("texture");
        const std::string textureAt = MemberOf(where, "texture");
        material.textured = true;
        material.textureWidth = WholeNumberAt<std::size_t>(texture, "width", textureAt);
        material.textureHeight = WholeNumberAt<std::size_t>(texture, "height", textureAt);
    }
    return material;
}

// The elements of `elementBytes` each that an array of the description
// holds, by the length its view states; none when it has no view.
std::size_t StatedElements(const json& document, const json& description, const char* key, std::size_t elementBytes,
                           const std::string& where) {
    const int view = WholeNumberOr<int>(description, key, -1, where);
    if (view < 0) return 0;
    const json& views = ArrayAt(document, "bufferViews");
    if (static_cast<std::size_t>(view) >= views.size()) throw InvalidStructure(key, MemberOf(where, key));
    const std::string viewAt = MemberOf("/bufferViews", static_cast<std::size_t>(view));
    return WholeNumberAt<std::size_t>(views[static_cast<std::size_t>(view)], "byteLength", viewAt) / elementBytes;
}

OutlineEntities ReadEntities(const json& document, const json& description, const std::string& where,
                             std::size_t definitions) {
    OutlineEntities entities;
    entities.faces = WholeNumberAt<std::size_t>(description, "faceCount", where);
    // Plain triangles are stored as their corners; the other faces list
    // their triangles' counts, and their triangles, apart.
    const auto indexBytes = WholeNumberAt<std::size_t>(description, "indexBytes", where);
    const std::size_t otherFaces = StatedElements(document, description, "faceTriangles", 4, where);
    Require(otherFaces <= entities.faces && indexBytes != 0, "face count");
    entities.triangles =
        entities.faces - otherFaces + StatedElements(document, description, "triangles", 3 * indexBytes, where);
    const json& instances = ArrayAt(description, "instances");
    for (std::size_t i = 0; i < instances.size(); ++i) {
        const auto definition =
            WholeNumberAt<std::size_t>(instances[i], "definition", MemberOf(MemberOf(where, "instances"), i));
        Require(definition < definitions, "instance definition");
        entities.placed.push_back(definition);
    }
    return entities;
}

}  // namespace

bool ReadModelOutline(const json& document, ModelOutline& outline, std::string* faultMember) {
    try {
        const json& structure = DescriptionIn(document);
        ModelOutline read;
        const json& materials = ArrayAt(structure, "materials");
        const std::string materialsAt = MemberOf(kDescriptionPointer, "materials");
        for (std::size_t i = 0; i < materials.size(); ++i) {
            read.materials.push_back(ReadMaterial(materials[i], MemberOf(materialsAt, i)));
        }
        const json& definitions = ArrayAt(structure, "definitions");
        const std::string definitionsAt = MemberOf(kDescriptionPointer, "definitions");
        for (std::size_t i = 0; i < definitions.size(); ++i) {
            read.definitions.push_back({definitions[i].at("name").get<std::string>(),
                                        ReadEntities(document, definitions[i].at("entities"),
                                                     MemberOf(MemberOf(definitionsAt, i), "entities"), definitions.size())});
        }
        read.entities = ReadEntities(document, structure.at("entities"), MemberOf(kDescriptionPointer, "entities"), definitions.size());
        outline = std::move(read);
        return true;
    } catch (const json::exception&) {
        return false;
    } catch (const InvalidStructure& invalid) {
        if (faultMember != nullptr) *faultMember = invalid.member;
        return false;
    }
}

namespace {

// A model of the outline's definitions and instances, and nothing else.
Model PlacementsOf(const ModelOutline& outline) {
    Model placements;
    for (std::size_t i = 0; i < outline.definitions.size(); ++i) {
        placements.definitions.push_back(std::make_unique<ComponentDefinition>());
    }
    const auto place = [&placements](const OutlineEntities& from, Entities& into) {
        for (const std::size_t definition : from.placed) {
            into.instances.push_back(std::make_unique<ComponentInstance>());
            into.instances.back()->definition = placements.definitions[definition].get();
        }
    };
    for (std::size_t i = 0; i < outline.definitions.size(); ++i) {
        place(outline.definitions[i].entities, placements.definitions[i]->entities);
    }
    place(outline.entities, placements.entities);
    return placements;
}

}  // namespace

InstanceGraphFault FindInstanceGraphFault(const ModelOutline& outline) {
    return FindInstanceGraphFault(PlacementsOf(outline));
}

std::optional<std::vector<std::uint64_t>> TimesDrawn(const ModelOutline& outline) {
    return TimesDrawn(PlacementsOf(outline));
}

}  // namespace korvanta
