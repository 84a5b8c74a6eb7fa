#include "ModelContents.h"

#include <algorithm>
#include <climits>
#include <map>

#include "ModelFileOutline.h"
#include "ModelScene.h"
#include "utils/Utf8Conversion.h"

namespace kvstudio {

namespace {

// A model may place its parts millions of times; the outline lists this many.
constexpr std::size_t kMostPartsListed = 5'000;

class OutlineReader {
public:
    explicit OutlineReader(const korvanta::ModelOutline& outline) : outline_(outline) {
        for (const auto& definition : outline.definitions) {
            contents_.definitions.push_back({QString::fromStdString(definition.name), definition.entities.faces, 0});
        }
        contents_.topLevelFaces = outline.entities.faces;
        contents_.instances = Parts(outline.entities, {});
    }

    ModelContents Take() { return std::move(contents_); }

private:
    // The reader has checked the nesting: it is finite and shallow.
    std::vector<PlacedPart> Parts(const korvanta::OutlineEntities& entities, const std::vector<int>& path) {
        std::vector<PlacedPart> parts;
        int index = 0;
        for (const std::size_t definition : entities.placed) {
            std::vector<int> partPath = path;
            partPath.push_back(index++);
            PartDefinition& described = contents_.definitions[definition];
            ++described.placements;
            if (listed_ == kMostPartsListed) {
                ++contents_.partsNotListed;
                continue;
            }
            ++listed_;
            PlacedPart part{definition, described.name, 0, partPath, Parts(outline_.definitions[definition].entities, partPath)};
            part.faces = described.faces;
            for (const PlacedPart& inner : part.parts) part.faces += inner.faces;
            parts.push_back(std::move(part));
        }
        return parts;
    }

    const korvanta::ModelOutline& outline_;
    ModelContents contents_;
    std::size_t listed_ = 0;
};

MaterialEntry DescribeMaterial(const korvanta::ModelOutline::Material& material) {
    MaterialEntry entry;
    entry.name = QString::fromStdString(material.name);
    entry.colour = QColor(material.color.red, material.color.green, material.color.blue);
    entry.opacity = material.opacity;
    if (material.textured) {
        const QSize size(static_cast<int>(std::min<std::size_t>(material.textureWidth, INT_MAX)),
                         static_cast<int>(std::min<std::size_t>(material.textureHeight, INT_MAX)));
        entry.texture = MaterialTexture{{}, {}, size, {}};
    }
    return entry;
}

}  // namespace

void AddSceneTextures(ModelContents& contents, const ModelScene& scene) {
    // The library writes the view's materials in the model's order, which
    // is the outline's.
    if (scene.materials.size() != contents.materials.size()) return;
    std::map<int, QImage> thumbnails;  // by the scene's texture: an image several materials show is made small once
    for (std::size_t index = 0; index < contents.materials.size(); ++index) {
        const int texture = scene.materials[index].texture;
        if (texture < 0 || static_cast<std::size_t>(texture) >= scene.textures.size()) continue;
        const SceneTexture& drawn = scene.textures[static_cast<std::size_t>(texture)];
        MaterialEntry& material = contents.materials[index];
        MaterialTexture& entry = material.texture ? *material.texture : material.texture.emplace();
        if (entry.name.isEmpty()) entry.name = drawn.name;
        auto [made, isNew] = thumbnails.try_emplace(texture);
        if (isNew && !drawn.rgba.isEmpty()) {
            const QImage pixels(reinterpret_cast<const uchar*>(drawn.rgba.constData()), drawn.size.width(),
                                drawn.size.height(), drawn.size.width() * 4, QImage::Format_RGBA8888);
            made->second = pixels.scaled(kThumbnailPixels, kThumbnailPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        entry.thumbnail = made->second;
    }
}

ModelContents ContentsOf(const korvanta::ModelOutline& outline) {
    ModelContents contents = OutlineReader(outline).Take();
    for (const auto& material : outline.materials) contents.materials.push_back(DescribeMaterial(material));
    return contents;
}

void AddTextures(ModelContents& contents, const std::vector<hollin::importer::SceneFileVerdict::MaterialTexture>& stored,
                 const kvhost::TextureReport& textures) {
    // The last material of a name is the one the import gave the faces to.
    std::map<QString, std::string> storedTextures;
    for (const auto& [material, texture] : stored) {
        storedTextures[QString::fromStdString(hollin::utils::Utf8FromUtf8OrWindows1252(material))] = texture;
    }
    for (MaterialEntry& material : contents.materials) {
        const auto stored = storedTextures.find(material.name);
        if (stored == storedTextures.end() || stored->second.empty()) continue;
        MaterialTexture& texture = material.texture ? *material.texture : material.texture.emplace();
        texture.name = QString::fromStdString(hollin::utils::Utf8FromUtf8OrWindows1252(stored->second));
        for (std::size_t line = 0; line < textures.namesNotLoaded.size(); ++line) {
            if (textures.namesNotLoaded[line] == stored->second) {
                texture.whyNotLoaded = QString::fromStdString(textures.notLoaded[line]);
            }
        }
    }
}

}  // namespace kvstudio
