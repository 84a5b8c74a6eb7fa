#include <string>

#include "convert/C3DSImporter.h"
#include "convert/MaterialColor.h"
#include "convert/OptionalHostApi.h"
#include "scenefile/StoredText.h"

namespace hollin::importer {

namespace {

// The texture of the file the search found and opened: the host reads that
// very file. A host without KVTextureCreateFromDescriptor opens it through
// the descriptor's /proc entry, which names the same open file, not a path.
KVResult CreateTexture(const hollin::settings::FoundTexture& found, KVTextureRef& texture) {
    if (KVTextureCreateFromDescriptor != nullptr) {
        return KVTextureCreateFromDescriptor(&texture, found.file.Get(), found.name.c_str(), 1.0, 1.0);
    }
    const std::string opened = "/proc/self/fd/" + std::to_string(found.file.Get());
    return KVTextureCreateFromFile(&texture, opened.c_str(), 1.0, 1.0);
}

}  // namespace

std::int32_t C3DSImporter::ConvertMaterial(KVModelRef model, Lib3dsMaterial* material) {
    KVMaterialRef hostMaterial{};
    if (KVMaterialCreate(&hostMaterial) != KV_SUCCESS) return -1;
    ++materialCount_;

    const std::string name = StoredText(material->name);
    KVMaterialSetName(hostMaterial, name.c_str());
    const KVColor color{ColorByte(material->diffuse[0]), ColorByte(material->diffuse[1]),
                        ColorByte(material->diffuse[2]), ColorByte(material->diffuse[3])};
    KVMaterialSetColor(hostMaterial, &color);
    KVMaterialSetOpacity(hostMaterial, 1.0 - static_cast<double>(material->transparency));

    std::int32_t result = 0;
    const std::string textureName = StoredText(material->texture1_map.name);
    if (!textureName.empty()) {
        const hollin::settings::TextureLookup lookup = textureSearch_->Find(textureName);
        KVTextureRef texture{};
        if (lookup.found && CreateTexture(*lookup.found, texture) == KV_SUCCESS) {
            KVMaterialSetTexture(hostMaterial, texture);
        } else {
            RecordError(Texture, Utf16String::FromUtf8(textureName));
            result = -1;
        }
    }

    // A later material of the same name takes over the faces; the earlier one
    // stays in the model unused.
    materialMap_[name] = hostMaterial;
    KVModelAddMaterials(model, 1, &hostMaterial);
    return result;
}

}  // namespace hollin::importer
