#pragma once

#include <QByteArray>
#include <QColor>
#include <QQuaternion>
#include <QSize>
#include <QString>
#include <QVector3D>

#include <optional>
#include <vector>

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
    // Per vertex its position (three floats) and, when `textured`, its
    // texture coordinate (two floats).
    QByteArray vertices;
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

    int Stride() const { return static_cast<int>((textured ? 5 : 3) * sizeof(float)); }
};

// A texture's image, decoded, and how it is sampled: without mipmaps, as Qt
// Quick 3D's own glTF import samples textures.
struct SceneTexture {
    enum class Filter { Nearest, Linear };
    enum class Wrap { Repeat, ClampToEdge, MirroredRepeat };
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

// A glTF node, its transform split as Qt Quick 3D's nodes take it.
struct SceneNode {
    QString name;
    QVector3D position;
    QQuaternion rotation;
    QVector3D scale{1, 1, 1};
    int mesh = -1;  // in ModelScene::meshes
    std::vector<int> children;
};

// What the view draws of a model file: the glTF scene in it, checked to hold
// together (every number names something there is, the nodes form a tree).
struct ModelScene {
    std::vector<SceneNode> nodes;  // numbered as in the file
    std::vector<int> roots;
    std::vector<SceneMesh> meshes;
    std::vector<SceneMaterial> materials;
    std::vector<SceneTexture> textures;  // a texture whose image cannot be used has no pixels
    // Of all the meshes placed, in the scene's coordinates; none when nothing is drawn.
    std::optional<SceneBox> box;
    // Why the scene cannot be drawn, in the user's language; empty when it can.
    QString whyNotDrawn;
};

// Reads the scene of a model file that the modelling library wrote, and of
// its binary data only what the scene draws: the library's own structure of
// the model stays on disk. For any thread.
ModelScene ReadModelScene(const QString& modelFile);

}  // namespace kvstudio
