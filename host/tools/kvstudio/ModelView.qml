// The 3D view: one model, whose scene the view makes below the node "model",
// on a ground grid with its axes, lit from the camera, which orbits (left
// drag, arrow keys), pans (right or middle drag, Ctrl and left drag, Shift
// and the arrow keys) and zooms (wheel, + and -) around the model, never so
// far that it is lost.
import QtQuick
import QtQuick3D
import QtQuick3D.Helpers

Item {
    id: root

    property bool hasModel: false
    // Edges are smoothed by multisampling, which a large model pays for in
    // every frame.
    property bool multisampled: true
    // The model's bounds, in metres (the file's unit), y up.
    property vector3d boundsMinimum
    property vector3d boundsMaximum
    // The model is shown at this radius whatever its size, so that the
    // camera's clipping planes, pan and zoom steps suit every model.
    readonly property real shownRadius: 100
    // The camera's distance once the whole model is framed; zoom stays
    // within a range of it.
    property real framedDistance: 300
    readonly property real nearestDistance: framedDistance * 0.01
    readonly property real farthestDistance: framedDistance * 6
    // The ground grid's spacing in metres; 0 hides it.
    property real gridStep: 0
    // Whether a placed part picked in the outline is marked.
    property bool hasSelection: false
    // The model's drawing, and a coarser one of a large model (null for a
    // small one), which is drawn in its place while the camera moves: a
    // drag held, or a move less than `restingMilliseconds` ago.
    property Node fullDrawing: null
    property Node coarseDrawing: null
    readonly property int restingMilliseconds: 150
    readonly property bool moving: controller.inputsNeedProcessing || resting.running
    readonly property bool drawsCoarse: moving && coarseDrawing !== null
    // Set while the view places the camera itself, which is no move of the user's.
    property bool placingCamera: false

    function cameraMoved() {
        if (!placingCamera) resting.restart();
    }

    function frameAll() {
        placingCamera = true;
        const minimum = boundsMinimum;
        const maximum = boundsMaximum;
        const center = minimum.plus(maximum).times(0.5);
        const radius = maximum.minus(minimum).length() / 2;
        const scale = radius > 0 ? shownRadius / radius : 1;
        frame.scale = Qt.vector3d(scale, scale, scale);
        frame.position = center.times(-scale);
        origin.position = Qt.vector3d(0, 0, 0);
        origin.eulerRotation = Qt.vector3d(-25, 35, 0);
        framedDistance = distanceToSee(shownRadius);
        camera.z = framedDistance;
        placingCamera = false;
    }

    function distanceToSee(radius) {
        const halfAngle = camera.fieldOfView * Math.PI / 360;
        return radius / Math.sin(halfAngle) * 1.05;
    }

    // Turns the camera on the box (in the model's coordinates) of the part
    // picked, which the view draws tinted.
    function turnToBox(low, high) {
        let minimum = null;
        let maximum = null;
        for (let corner = 0; corner < 8; ++corner) {
            const point = modelNode.mapPositionToScene(Qt.vector3d(corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y,
                                                                   corner & 4 ? high.z : low.z));
            minimum = minimum === null ? point : Qt.vector3d(Math.min(minimum.x, point.x), Math.min(minimum.y, point.y),
                                                             Math.min(minimum.z, point.z));
            maximum = maximum === null ? point : Qt.vector3d(Math.max(maximum.x, point.x), Math.max(maximum.y, point.y),
                                                             Math.max(maximum.z, point.z));
        }
        hasSelection = true;
        placingCamera = true;
        origin.position = minimum.plus(maximum).times(0.5);
        camera.z = Math.max(distanceToSee(maximum.minus(minimum).length() / 2), nearestDistance);
        placingCamera = false;
    }

    function clearSelection() {
        hasSelection = false;
    }

    // Key steps: 10 degrees, a twentieth of the distance, an eighth closer.
    // True when the key is one of the view's.
    function handleKey(key, modifiers) {
        const pan = camera.z * 0.05;
        const turn = 10;
        const rotation = origin.eulerRotation;
        let handled = true;
        if (key === Qt.Key_Plus || key === Qt.Key_Equal || key === Qt.Key_PageUp) {
            camera.z = camera.z / 1.125;
        } else if (key === Qt.Key_Minus || key === Qt.Key_PageDown) {
            camera.z = camera.z * 1.125;
        } else if (modifiers & Qt.ShiftModifier) {
            const right = origin.right.times(pan);
            const up = origin.up.times(pan);
            if (key === Qt.Key_Left) origin.position = origin.position.minus(right);
            else if (key === Qt.Key_Right) origin.position = origin.position.plus(right);
            else if (key === Qt.Key_Up) origin.position = origin.position.plus(up);
            else if (key === Qt.Key_Down) origin.position = origin.position.minus(up);
            else handled = false;
        } else if (key === Qt.Key_Left) {
            origin.eulerRotation = Qt.vector3d(rotation.x, rotation.y - turn, rotation.z);
        } else if (key === Qt.Key_Right) {
            origin.eulerRotation = Qt.vector3d(rotation.x, rotation.y + turn, rotation.z);
        } else if (key === Qt.Key_Up) {
            origin.eulerRotation = Qt.vector3d(rotation.x - turn, rotation.y, rotation.z);
        } else if (key === Qt.Key_Down) {
            origin.eulerRotation = Qt.vector3d(rotation.x + turn, rotation.y, rotation.z);
        } else {
            handled = false;
        }
        return handled;
    }

    Timer {
        id: resting
        interval: root.restingMilliseconds
    }
    Connections {
        target: origin
        function onEulerRotationChanged() { root.cameraMoved(); }
        function onPositionChanged() { root.cameraMoved(); }
    }
    Connections {
        target: camera
        function onZChanged() { root.cameraMoved(); }
    }
    Binding {
        target: root.fullDrawing
        property: "visible"
        value: !root.drawsCoarse
        when: root.fullDrawing !== null
    }
    Binding {
        target: root.coarseDrawing
        property: "visible"
        value: root.drawsCoarse
        when: root.coarseDrawing !== null
    }

    View3D {
        id: view
        objectName: "view3d"
        anchors.fill: parent
        environment: SceneEnvironment {
            backgroundMode: SceneEnvironment.Color
            clearColor: "#dfe3e8"
            antialiasingMode: root.multisampled ? SceneEnvironment.MSAA : SceneEnvironment.NoAA
            antialiasingQuality: SceneEnvironment.High
        }

        Node {
            id: origin
            PerspectiveCamera {
                id: camera
                objectName: "camera"
                z: 300
                onZChanged: {
                    const limited = Math.min(Math.max(z, root.nearestDistance), root.farthestDistance);
                    if (limited !== z) z = limited;
                }
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
            Node {
                id: modelNode
                objectName: "model"
            }
            Ground {
                visible: root.gridStep > 0 && root.hasModel
                step: root.gridStep
                boundsMinimum: root.boundsMinimum
                boundsMaximum: root.boundsMaximum
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
}
