#include "ModelFileOutline.h"

#include <memory>

#include "Model.h"
#include "ModelFileDescription.h"

namespace korvanta {
namespace {

using nlohmann::json;

ModelOutline::Material ReadMaterial(const json& description) {
    ModelOutline::Material material;
    material.name = description.at("name").get<std::string>();
    material.color = ColorAt(description, "color");
    material.opacity = description.at("opacity").get<double>();
    if (description.contains("texture")) {
        const json& texture = description.at("texture");
        material.textured = true;
        material.textureWidth = WholeNumberAt<std::size_t>(texture, "width");
        material.textureHeight = WholeNumberAt<std::size_t>(texture, "height");
    }
    return material;
}

OutlineEntities ReadEntities(const json& description, std::size_t definitions) {
    OutlineEntities entities;
    entities.faces = WholeNumberAt<std::size_t>(description, "faceCount");
    for (const json& instance : ArrayAt(description, "instances")) {
        const auto definition = WholeNumberAt<std::size_t>(instance, "definition");
        Require(definition < definitions, "instance definition");
        entities.placed.push_back(definition);
    }
    return entities;
}

}  // namespace

bool ReadModelOutline(const json& document, ModelOutline& outline) {
    try {
        const json& structure = DescriptionIn(document);
        ModelOutline read;
        for (const json& material : ArrayAt(structure, "materials")) read.materials.push_back(ReadMaterial(material));
        const json& definitions = ArrayAt(structure, "definitions");
        for (const json& definition : definitions) {
            read.definitions.push_back(
                {definition.at("name").get<std::string>(), ReadEntities(definition.at("entities"), definitions.size())});
        }
        read.entities = ReadEntities(structure.at("entities"), definitions.size());
        outline = std::move(read);
        return true;
    } catch (const json::exception&) {
        return false;
    } catch (const InvalidStructure&) {
        return false;
    }
}

InstanceGraphFault FindInstanceGraphFault(const ModelOutline& outline) {
    // A model of the outline's definitions and instances, and nothing else.
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
    return FindInstanceGraphFault(placements);
}

}  // namespace korvanta
