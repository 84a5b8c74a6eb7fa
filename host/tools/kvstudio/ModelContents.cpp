#include "ModelContents.h"

#include <map>
#include <unordered_map>

#include "ApiLists.h"
#include "EmbeddableImage.h"
#include "ImageLimits.h"
#include "KorvantaAPI.h"
#include "utils/Utf8Conversion.h"
#include "utils/WholeFile.h"

namespace kvstudio {

namespace {

using kvhost::ReadList;
using kvhost::ReadText;

// A model may place its parts millions of times; the outline lists this many.
constexpr std::size_t kMostPartsListed = 5'000;
constexpr int kThumbnailPixels = 48;

std::size_t FaceCount(KVEntitiesRef entities) {
    std::size_t faces = 0;
    KVEntitiesGetNumFaces(entities, &faces);
    return faces;
}

std::vector<KVComponentInstanceRef> InstancesOf(KVEntitiesRef entities) {
    return ReadList<KVComponentInstanceRef>(entities, KVEntitiesGetNumInstances, KVEntitiesGetInstances);
}

class OutlineReader {
public:
    explicit OutlineReader(KVModelRef model) {
        const auto definitions =
            ReadList<KVComponentDefinitionRef>(model, KVModelGetNumComponentDefinitions, KVModelGetComponentDefinitions);
        for (const KVComponentDefinitionRef definition : definitions) {
            KVEntitiesRef entities{nullptr};
            KVComponentDefinitionGetEntities(definition, &entities);
            index_[definition.ptr] = contents_.definitions.size();
            entities_.push_back(entities);
            contents_.definitions.push_back(
                {QString::fromStdString(ReadText(definition, KVComponentDefinitionGetName)), FaceCount(entities), 0});
        }
        KVEntitiesRef topLevel{nullptr};
        KVModelGetEntities(model, &topLevel);
        contents_.topLevelFaces = FaceCount(topLevel);
        contents_.instances = Parts(topLevel, {});
    }

    ModelContents Take() { return std::move(contents_); }

private:
    // The library has checked the nesting: it is finite and shallow.
    std::vector<PlacedPart> Parts(KVEntitiesRef entities, const std::vector<int>& path) {
        std::vector<PlacedPart> parts;
        int index = 0;
        for (const KVComponentInstanceRef instance : InstancesOf(entities)) {
            std::vector<int> partPath = path;
            partPath.push_back(index++);
            KVComponentDefinitionRef definition{nullptr};
            KVComponentInstanceGetDefinition(instance, &definition);
            const auto known = index_.find(definition.ptr);
            if (known == index_.end()) continue;
            PartDefinition& described = contents_.definitions[known->second];
            ++described.placements;
            if (listed_ == kMostPartsListed) {
                ++contents_.partsNotListed;
                continue;
            }
            ++listed_;
            PlacedPart part{known->second, described.name, 0, partPath, Parts(entities_[known->second], partPath)};
            part.faces = described.faces;
            for (const PlacedPart& inner : part.parts) part.faces += inner.faces;
            parts.push_back(std::move(part));
        }
        return parts;
    }

    ModelContents contents_;
    std::unordered_map<void*, std::size_t> index_;
    std::vector<KVEntitiesRef> entities_;
    std::size_t listed_ = 0;
};

MaterialEntry DescribeMaterial(KVMaterialRef material) {
    MaterialEntry entry;
    entry.name = QString::fromStdString(ReadText(material, KVMaterialGetName));
    KVColor colour{};
    KVMaterialGetColor(material, &colour);
    entry.colour = QColor(colour.red, colour.green, colour.blue);
    KVMaterialGetOpacity(material, &entry.opacity);
    KVTextureRef texture{nullptr};
    std::size_t width = 0, height = 0;
    double sScale = 0.0, tScale = 0.0;
    if (KVMaterialGetTexture(material, &texture) == KV_SUCCESS && KV_IS_VALID(texture) &&
        KVTextureGetDimensions(texture, &width, &height, &sScale, &tScale) == KV_SUCCESS) {
        entry.texture = MaterialTexture{{}, {}, QSize(static_cast<int>(width), static_cast<int>(height)), {}};
    }
    return entry;
}

// The image as the model embeds it, decoded as the modelling library decodes
// it, made small.
QImage Thumbnail(const std::string& path) {
    const auto bytes = hollin::utils::ReadWholeFile(path, korvanta::image::kMaxImageFileBytes);
    if (!bytes) return {};
    const auto image = korvanta::image::ToEmbeddableImage(*bytes);
    const auto* embeddable = std::get_if<korvanta::image::EmbeddableImage>(&image);
    if (embeddable == nullptr) return {};
    const QImage decoded = QImage::fromData(embeddable->bytes.data(), static_cast<int>(embeddable->bytes.size()));
    return decoded.isNull() ? decoded : decoded.scaled(kThumbnailPixels, kThumbnailPixels, Qt::KeepAspectRatio,
                                                       Qt::SmoothTransformation);
}

}  // namespace

ModelContents ReadModelContents(const std::string& modelFile) {
    if (KVInitialize() != KV_SUCCESS) return {};
    ModelContents contents;
    KVModelRef model{};
    KVModelFileVerdict verdict{};
    if (KVModelCreateFromFile(&model, modelFile.c_str(), &verdict) == KV_SUCCESS) {
        contents = OutlineReader(model).Take();
        for (const KVMaterialRef material : ReadList<KVMaterialRef>(model, KVModelGetNumMaterials, KVModelGetMaterials)) {
            contents.materials.push_back(DescribeMaterial(material));
        }
        KVModelRelease(&model);
    }
    KVTerminate();
    return contents;
}

void AddTextures(ModelContents& contents, const std::vector<hollin::importer::SceneFileVerdict::MaterialTexture>& stored,
                 const kvhost::TextureReport& textures) {
    // The last material of a name is the one the import gave the faces to.
    std::map<QString, std::string> storedTextures;
    for (const auto& [material, texture] : stored) {
        storedTextures[QString::fromStdString(hollin::utils::Utf8FromUtf8OrWindows1252(material))] = texture;
    }
    std::map<std::string, QImage> thumbnails;
    for (MaterialEntry& material : contents.materials) {
        const auto stored = storedTextures.find(material.name);
        if (stored == storedTextures.end() || stored->second.empty()) continue;
        MaterialTexture& texture = material.texture ? *material.texture : material.texture.emplace();
        texture.name = QString::fromStdString(hollin::utils::Utf8FromUtf8OrWindows1252(stored->second));
        if (const auto loaded = textures.loadedFrom.find(stored->second); loaded != textures.loadedFrom.end()) {
            auto [thumbnail, isNew] = thumbnails.try_emplace(loaded->second);
            if (isNew) thumbnail->second = Thumbnail(loaded->second);
            texture.thumbnail = thumbnail->second;
        }
        for (std::size_t line = 0; line < textures.namesNotLoaded.size(); ++line) {
            if (textures.namesNotLoaded[line] == stored->second) {
                texture.whyNotLoaded = QString::fromStdString(textures.notLoaded[line]);
            }
        }
    }
}

}  // namespace kvstudio
