#pragma once

#include <QColor>
#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "TextureReport.h"
#include "scenefile/SceneFileCheck.h"

namespace korvanta {
struct ModelOutline;
}

namespace kvstudio {

struct ModelScene;

// A component definition: its name, its own faces and how often it is placed.
struct PartDefinition {
    QString name;
    std::size_t faces = 0;
    std::size_t placements = 0;
};

// An instance: its definition's name and faces, with everything the
// definition places in turn, and its place in the file's node tree (the
// instance's index at each level from the top).
struct PlacedPart {
    std::size_t definition = 0;  // its index in ModelContents::definitions
    QString name;
    std::size_t faces = 0;
    std::vector<int> path;
    std::vector<PlacedPart> parts;
};

// What became of a material's texture: the image in use, or why there is none.
// The side of a material's swatch or thumbnail, in pixels.
inline constexpr int kThumbnailPixels = 48;

struct MaterialTexture {
    QString name;          // as the 3DS file stores it, or as a model file names its image
    QImage thumbnail;      // of the image in use, when it could be shown
    QSize size;            // of the image in use, in pixels
    QString whyNotLoaded;  // with where it was looked for; empty when in use
};

struct MaterialEntry {
    QString name;
    QColor colour;
    double opacity = 1.0;
    std::optional<MaterialTexture> texture;
};

// What the outline and the materials list show of a model.
struct ModelContents {
    std::vector<PartDefinition> definitions;
    std::vector<PlacedPart> instances;
    std::size_t topLevelFaces = 0;
    // Instances beyond the most the outline lists.
    std::size_t partsNotListed = 0;
    std::vector<MaterialEntry> materials;
};

// What a model file's outline (see ModelFileOutline.h) says of the model.
ModelContents ContentsOf(const korvanta::ModelOutline& outline);

// A small picture of each material's image, made from the image the view
// decoded to draw it (`scene`, read from the same model file), so that no
// image is decoded twice for the window, and the image's name in the model
// file where the contents have none (a model opened, not imported). No
// picture when the view draws no image.
void AddSceneTextures(ModelContents& contents, const ModelScene& scene);

// The textures that the materials of the 3DS file the model was imported
// from name (`stored`, as the scene check found them): their names as
// stored, and why one is not in use.
void AddTextures(ModelContents& contents, const std::vector<hollin::importer::SceneFileVerdict::MaterialTexture>& stored,
                 const kvhost::TextureReport& textures);

}  // namespace kvstudio

Q_DECLARE_METATYPE(kvstudio::ModelContents)
