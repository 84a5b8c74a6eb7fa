#pragma once

#include <QByteArray>
#include <QtQuick3D/qquick3dinstancing.h>

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

}  // namespace kvstudio
