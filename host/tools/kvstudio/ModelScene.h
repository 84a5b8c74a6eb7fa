#pragma once

#include <QByteArray>
#include <QColor>
#include <QMatrix4x4>
#include <QSize>
#include <QString>
#include <QVector3D>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SceneNodes.h"

namespace korvanta {
struct ViewerRates;
}

namespace kvstudio {

// A box along the axes.
struct SceneBox {
    QVector3D low;
    QVector3D high;
};

// One glTF mesh in the arrays Qt Quick 3D draws from: its vertices in one,
// its primitives' triangles one after another in the other, each primitive
// a part of its own.
struct SceneMesh {
    // Per vertex its position (three floats), its normal when `smooth`
    // (three floats, in the mesh's coordinates) and its texture coordinate
    // when `textured` (two floats). A mesh without normals is drawn flat.
    QByteArray vertices;
    bool smooth = false;
    bool textured = false;
    // Vertex numbers, two bytes each, or four with `wideIndices`; each names
    // a vertex there is.
    QByteArray indices;
    bool wideIndices = false;
    struct Part {
        int firstIndex = 0;
        int indexCount = 0;
        int material = -1;  // in ModelScene::materials; -1 for glTF's default material
        SceneBox box;       // of the part's vertices
    };
    std::vector<Part> parts;
    SceneBox box;  // of all parts
    // Where the scene places the mesh, as Qt Quick 3D's instance table has
    // it: per placement the first three rows of its matrix in the scene, a
    // colour and a vector of data, four floats each (kInstanceEntryBytes).
    QByteArray instances;
    int placements = 0;

    int NormalOffset() const { return static_cast<int>(3 * sizeof(float)); }
    int UvOffset() const { return static_cast<int>((smooth ? 6 : 3) * sizeof(float)); }
    int Stride() const { return UvOffset() + static_cast<int>((textured ? 2 : 0) * sizeof(float)); }
};

// A texture's image, decoded, and how it is sampled: without mipmaps, as Qt
// Quick 3D's own glTF import samples textures.
struct SceneTexture {
    enum class Filter { Nearest, Linear };
    enum class Wrap { Repeat, ClampToEdge, MirroredRepeat };
    QString name;     // of the image: the texture's file name as the model has it
    QByteArray rgba;  // 8 bits a channel, the image's top row first
    QSize size;
    bool transparent = false;  // some pixel is not opaque
    Filter magnification = Filter::Linear;
    Filter minification = Filter::Linear;
    Wrap wrapS = Wrap::Repeat;
    Wrap wrapT = Wrap::Repeat;
};

// A glTF material, with glTF's defaults for what the file leaves out.
struct SceneMaterial {
    enum class Alpha { Opaque, Mask, Blend };
    QColor baseColour = QColor::fromRgbF(1, 1, 1, 1);  // its alpha is the opacity
    int texture = -1;                                  // in ModelScene::textures
    float metalness = 1.0f;
    float roughness = 1.0f;
    Alpha alpha = Alpha::Opaque;
    float alphaCutoff = 0.5f;
    bool doubleSided = false;
};

inline constexpr int kInstanceEntryBytes = 5 * 4 * static_cast<int>(sizeof(float));

// What the view draws of a model file: the glTF scene in it, checked to hold
// together (every number names something there is, the nodes form a tree).
struct ModelScene {
    SceneNodes tree;
    std::vector<int> roots;
    std::vector<SceneMesh> meshes;
    std::vector<SceneMaterial> materials;
    std::vector<SceneTexture> textures;  // a texture whose image cannot be used has no pixels
    // Of all the meshes placed, in the scene's coordinates; none when nothing is drawn.
    std::optional<SceneBox> box;
    // Why the scene cannot be drawn, in the user's language; empty when it can.
    QString whyNotDrawn;
    // What the view draws otherwise than the file has it (images made
    // smaller to keep within the images' budget); empty when nothing.
    QString note;
};

// Grows `box` (none yet when absent) by the corners of `inner` transformed.
void IncludeTransformed(std::optional<SceneBox>& box, const SceneBox& inner, const QMatrix4x4& transform);

// The node of a placed part, the node of its instance at each level of
// `instancePath` (see ModelView::Select), with its transform in the scene;
// none when there is no such part.
std::optional<std::pair<int, QMatrix4x4>> PlacedPartNode(const ModelScene& scene, const std::vector<int>& instancePath,
                                                         bool topLevelFaces);

// The placements of a placed part and of everything it places, mesh by mesh
// (as ModelScene::meshes): the numbers of their entries in the mesh's
// instance table. Empty when there is no such part.
std::vector<std::vector<int>> PlacementsOfPart(const ModelScene& scene, const std::vector<int>& instancePath,
                                               bool topLevelFaces);

// The box, in the scene's coordinates, of a placed part and everything it
// places: the node of its instance at each level of `instancePath` (see
// ModelView::Select); none when there is no such part, or it draws nothing.
std::optional<SceneBox> PlacedPartBox(const ModelScene& scene, const std::vector<int>& instancePath, bool topLevelFaces);

// Reads the scene of a model file that the modelling library wrote with the
// library's reader (ViewScene.h), which refuses a model whose demand at
// `rates` is more than `memoryAvailable`, and makes Qt's arrays of it. Each
// image is decoded once, within `imageBytes` for all: when they would take
// more, each is decoded smaller, and `note` says so. For any thread.
ModelScene ReadModelScene(const std::string& modelFile, const korvanta::ViewerRates& rates, std::uint64_t memoryAvailable,
                          qint64 imageBytes);

// Why the view draws nothing of a file whose scene does not hold together.
QString UndrawableScene();

// How many images ReadModelScene has decoded in this process: a diagnostic
// for the tests, which hold an import to decoding each image once for the
// window.
std::uint64_t ImagesDecodedForView();

}  // namespace kvstudio
