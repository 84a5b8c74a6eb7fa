#pragma once

#include <QByteArray>
#include <QList>
#include <QtQuick3D/qquick3dinstancing.h>

#include <optional>
#include <vector>

class QQmlComponent;
class QQmlEngine;
class QQuick3DObject;

namespace kvstudio {

struct ModelScene;
struct SceneMesh;

// The instance table of a mesh (SceneMesh::instances), handed to Qt Quick
// 3D as it is, shared, not copied.
class ScenePlacements final : public QQuick3DInstancing {
public:
    ScenePlacements(QByteArray table, int count, QQuick3DObject* parent);
    int Count() const { return count_; }
    // Draws from `table` from the next frame on.
    void SetTable(QByteArray table, int count);

protected:
    QByteArray getInstanceBuffer(int* instanceCount) override;

private:
    QByteArray table_;
    int count_;
};

// Makes the Qt Quick 3D objects that draw `scene`, below `parent`: a model
// for each mesh placed, drawn at every placement from its instance table
// (placed as a node is when it is placed once),
// which draws each part of the mesh with its material. A placement costs
// an entry of the table, not an object: real models place a bolt or a
// window thousands of times. A material or texture is made once, and every
// array is the scene's own, shared, not copied. Returns the node that owns
// everything made; the models are in its node named kFullDrawingName. On
// the GUI thread, with the view's engine.
QQuick3DObject* MakeSceneObjects(const ModelScene& scene, QQuick3DObject& parent, QQmlEngine& engine);

// Adds to `objects`, which MakeSceneObjects made, a second drawing of the
// model in a node named kCoarseDrawingName, hidden or not with that node: a
// model for each of the first drawing's, with the coarser mesh `coarse` has
// for it (see CoarseMeshes) or the same mesh, and the same materials and
// placements. Returns that node.
QQuick3DObject* AddCoarseObjects(QQuick3DObject& objects, const std::vector<std::optional<SceneMesh>>& coarse,
                                 QQmlEngine& engine);

inline constexpr char kFullDrawingName[] = "fullDrawing";
inline constexpr char kCoarseDrawingName[] = "coarseDrawing";

// The models of one drawing of `objects` (kFullDrawingName or
// kCoarseDrawingName); none while there is no such drawing.
QList<QQuick3DObject*> SceneModels(QQuick3DObject& objects, const char* drawing);

// Each mesh's model carries the mesh's number in ModelScene::meshes under this name.
inline constexpr char kSceneMeshProperty[] = "sceneMesh";
// The name of what MarkPlacements adds.
inline constexpr char kMarkName[] = "mark";

// Qt Quick 3D's own types, made as QML makes them: Node, Model, Texture and
// PrincipledMaterial have no public C++ interface. Their properties are set
// by name, enumerations by their keys.
QQmlComponent* QuickComponent(QQmlEngine& engine, const char* type);

// An object of the component's type, in the scene below `above` and owned by it.
QQuick3DObject* CreateBelow(QQmlComponent& component, QQuick3DObject& above);

// Draws the chosen placements of the meshes of `objects`, which
// MakeSceneObjects made of `scene`, tinted in place of the same placements
// drawn as they are: entry numbers of each mesh's instance table, mesh by
// mesh (see PlacementsOfPart). Nothing chosen draws the model as it is.
void MarkPlacements(QQuick3DObject& objects, const ModelScene& scene, const std::vector<std::vector<int>>& chosen,
                    QQmlEngine& engine);

}  // namespace kvstudio
