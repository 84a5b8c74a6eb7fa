// The ground under a model, in the model file's coordinates (metres, y up):
// a grid of the given spacing at the model's lowest point, a little wider
// than the model, and the model's axes (x red, y green, z blue, as the
// modelling application draws them) from its origin, or from the grid's
// nearest point to it when the origin lies elsewhere.
import QtQuick
import QtQuick3D
import QtQuick3D.Helpers

Node {
    id: ground

    property real step: 1
    property vector3d boundsMinimum
    property vector3d boundsMaximum

    readonly property vector3d centre: boundsMinimum.plus(boundsMaximum).times(0.5)
    // Whole steps on each side of the centre, one more than the model needs;
    // a model a whole number of steps wide needs that many, whatever the
    // rounding of its bounds.
    readonly property int halfLinesX: Math.ceil((boundsMaximum.x - boundsMinimum.x) / 2 / step - 1e-4) + 1
    readonly property int halfLinesZ: Math.ceil((boundsMaximum.z - boundsMinimum.z) / 2 / step - 1e-4) + 1
    readonly property real gridX: Math.round(centre.x / step) * step
    readonly property real gridZ: Math.round(centre.z / step) * step
    readonly property real axisLength: Math.max(halfLinesX, halfLinesZ) * step
    // A little above the grid, whose lines would hide the axes' otherwise.
    readonly property vector3d axisOrigin: Qt.vector3d(
        Math.min(Math.max(0, gridX - halfLinesX * step), gridX + halfLinesX * step), boundsMinimum.y + axisLength * 0.002,
        Math.min(Math.max(0, gridZ - halfLinesZ * step), gridZ + halfLinesZ * step))

    Model {
        position: Qt.vector3d(ground.gridX, ground.boundsMinimum.y, ground.gridZ)
        eulerRotation.x: -90
        geometry: GridGeometry {
            horizontalLines: ground.halfLinesZ * 2 + 1
            verticalLines: ground.halfLinesX * 2 + 1
            horizontalStep: ground.step
            verticalStep: ground.step
        }
        materials: PrincipledMaterial {
            baseColor: "#9aa3ad"
            lighting: PrincipledMaterial.NoLighting
        }
    }

    // Each axis is a line a pixel wide, as the grid's are, whatever the
    // zoom: a grid of one line as long as the axis, centred on its middle
    // (its two cross lines have no length and draw nothing).
    component Axis: Model {
        property color colour
        geometry: GridGeometry {
            horizontalLines: 1
            verticalLines: 2
            verticalStep: ground.axisLength
        }
        materials: PrincipledMaterial {
            baseColor: colour
            lighting: PrincipledMaterial.NoLighting
        }
    }
    Axis {
        colour: "#d03030"
        position: ground.axisOrigin.plus(Qt.vector3d(ground.axisLength / 2, 0, 0))
    }
    Axis {
        colour: "#30a030"
        position: ground.axisOrigin.plus(Qt.vector3d(0, 0, -ground.axisLength / 2))
        eulerRotation.y: 90
    }
    Axis {
        colour: "#3050d0"
        position: ground.axisOrigin.plus(Qt.vector3d(0, ground.axisLength / 2, 0))
        eulerRotation.z: 90
    }
}
