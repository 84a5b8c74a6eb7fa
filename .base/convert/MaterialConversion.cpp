#include <string>

#include "convert/C3DSImporter.h"
#include "convert/MaterialColor.h"
#include "scenefile/StoredText.h"

namespace hollin::importer {

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
        if (lookup.found && KVTextureCreateFromFile(&texture, lookup.found->path.c_str(), 1.0, 1.0) == KV_SUCCESS) {
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
