#include "SavedModel.h"

#include <array>

namespace plugin_tests {

namespace {

template <typename Getter, typename Reference>
std::string NameOf(Getter getter, Reference reference) {
    std::array<char, 256> name{};
    std::size_t length = 0;
    if (getter(reference, name.size(), name.data(), &length) != KV_SUCCESS) return {};
    return std::string(name.data());
}

}  // namespace

SavedModel SavedModel::Read(const std::filesystem::path& path) {
    SavedModel saved;
    KVInitialize();
    KVModelRef model{nullptr};
    if (KVModelCreateFromFile(&model, path.c_str()) == KV_SUCCESS) {
        saved.opened = true;

        std::size_t count = 0;
        KVModelGetNumMaterials(model, &count);
        std::vector<KVMaterialRef> materials(count);
        KVModelGetMaterials(model, materials.size(), materials.data(), &count);
        for (const KVMaterialRef material : materials) {
            KVTextureRef texture{nullptr};
            const bool textured = KVMaterialGetTexture(material, &texture) == KV_SUCCESS && KV_IS_VALID(texture);
            saved.materials.push_back({NameOf(KVMaterialGetName, material), textured});
        }

        KVModelGetNumComponentDefinitions(model, &count);
        std::vector<KVComponentDefinitionRef> definitions(count);
        KVModelGetComponentDefinitions(model, definitions.size(), definitions.data(), &count);
        for (const KVComponentDefinitionRef definition : definitions) {
            Definition entry;
            entry.name = NameOf(KVComponentDefinitionGetName, definition);
            KVEntitiesRef entities{nullptr};
            KVComponentDefinitionGetEntities(definition, &entities);
            KVEntitiesGetNumFaces(entities, &entry.faces);
            KVEntitiesGetBoundingBox(entities, &entry.bounds);
            saved.definitions.push_back(entry);
        }

        KVEntitiesRef topLevel{nullptr};
        KVModelGetEntities(model, &topLevel);
        KVEntitiesGetNumInstances(topLevel, &saved.topLevelInstances);
        KVModelRelease(&model);
    }
    KVTerminate();
    return saved;
}

const SavedModel::Definition* SavedModel::FindDefinition(const std::string& name) const {
    for (const Definition& definition : definitions) {
        if (definition.name == name) return &definition;
    }
    return nullptr;
}

std::size_t SavedModel::TotalFaces() const {
    std::size_t total = 0;
    for (const Definition& definition : definitions) total += definition.faces;
    return total;
}

}  // namespace plugin_tests
