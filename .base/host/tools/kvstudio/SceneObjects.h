#pragma once

class QQmlEngine;
class QQuick3DObject;

namespace kvstudio {

struct ModelScene;

// Makes the Qt Quick 3D objects that draw `scene`, below `parent`: a node
// for each glTF node, a model for each one with a mesh, which draws each
// part of the mesh with its material. A mesh, material or texture placed
// many times is made once, and every array is the scene's own, shared, not
// copied. Returns the node that holds the scene's roots, in the file's
// order, and owns everything made. On the GUI thread, with the view's engine.
QQuick3DObject* MakeSceneObjects(const ModelScene& scene, QQuick3DObject& parent, QQmlEngine& engine);

}  // namespace kvstudio
