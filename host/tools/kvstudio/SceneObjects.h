#pragma once

#include <QByteArray>
#include <QtQuick3D/qquick3dinstancing.h>

#include <vector>

class QQmlComponent;
class QQmlEngine;
class QQuick3DObject;

namespace kvstudio {

struct ModelScene;

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
// array is the scene's own, shared, not copied. Returns the node that holds
// the models and owns everything made. On the GUI thread, with the view's
// engine.
QQuick3DObject* MakeSceneObjects(const ModelScene& scene, QQuick3DObject& parent, QQmlEngine& engine);

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
