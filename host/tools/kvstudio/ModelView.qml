// The 3D view: one model from a glTF binary file, lit from the camera, which
// orbits (left drag), pans (right or middle drag, or Ctrl and left drag) and
// zooms (wheel) around the model.
import QtQuick
import QtQuick3D
import QtQuick3D.AssetUtils
import QtQuick3D.Helpers

Item {
    id: root

    property alias placeholderText: placeholder.text
    readonly property alias loader: loader
    // The loader's bounds (in metres, the file's unit) as of its last
    // boundsChanged: they are known only once the meshes are loaded.
    property vector3d boundsMinimum
    property vector3d boundsMaximum
    // The model is shown at this radius whatever its size, so that the
    // camera's clipping planes, pan and zoom steps suit every model.
    readonly property real shownRadius: 100

    signal modelShown()
    signal modelFailed(string reason)

    function show(url) {
        // An empty source first, so that loading the same file again still
        // changes the bounds and frames the model.
        loader.source = "";
        loader.source = url;
        if (loader.status === RuntimeLoader.Error) {
            modelFailed(loader.errorString);
        } else if (!hasMeshes(loader)) {
            // A model without meshes has no bounds to wait for.
            modelShown();
        }
    }

    function clear() {
        loader.source = "";
    }

    function hasMeshes(node) {
        for (let i = 0; i < node.children.length; ++i) {
            const child = node.children[i];
            if (child instanceof Model || hasMeshes(child)) return true;
        }
        return false;
    }

    function frameAll() {
        const minimum = boundsMinimum;
        const maximum = boundsMaximum;
        const center = minimum.plus(maximum).times(0.5);
        const radius = maximum.minus(minimum).length() / 2;
        const scale = radius > 0 ? shownRadius / radius : 1;
        frame.scale = Qt.vector3d(scale, scale, scale);
        frame.position = center.times(-scale);
        origin.position = Qt.vector3d(0, 0, 0);
        origin.eulerRotation = Qt.vector3d(-25, 35, 0);
        const halfAngle = camera.fieldOfView * Math.PI / 360;
        camera.z = shownRadius / Math.sin(halfAngle) * 1.05;
    }

    View3D {
        id: view
        anchors.fill: parent
        environment: SceneEnvironment {
            backgroundMode: SceneEnvironment.Color
            clearColor: "#dfe3e8"
            antialiasingMode: SceneEnvironment.MSAA
            antialiasingQuality: SceneEnvironment.High
        }

        Node {
            id: origin
            PerspectiveCamera {
                id: camera
                z: 300
                DirectionalLight {
                    brightness: 0.8
                    ambientColor: Qt.rgba(0.45, 0.45, 0.45, 1)
                }
            }
        }
        DirectionalLight {
            eulerRotation.x: -60
            eulerRotation.y: -30
            brightness: 0.4
        }

        Node {
            id: frame
            RuntimeLoader {
                id: loader
                objectName: "loader"
                onBoundsChanged: {
                    if (status !== RuntimeLoader.Success) return;
                    root.boundsMinimum = bounds.minimum;
                    root.boundsMaximum = bounds.maximum;
                    root.frameAll();
                    root.modelShown();
                }
            }
        }
    }

    OrbitCameraController {
        id: controller
        anchors.fill: parent
        origin: origin
        camera: camera
    }

    // Panning with the right or middle button too, as modelling programs do.
    DragHandler {
        target: null
        acceptedButtons: Qt.RightButton | Qt.MiddleButton
        onCentroidChanged: controller.panEvent(Qt.vector2d(centroid.position.x, centroid.position.y))
        onActiveChanged: {
            if (active) controller.startPan(Qt.vector2d(centroid.position.x, centroid.position.y));
            else controller.endPan();
        }
    }

    Text {
        id: placeholder
        anchors.centerIn: parent
        visible: loader.source.toString() === ""
        color: "#5a6470"
        font.pixelSize: 16
    }
}
