#include "ModelView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QOpenGLContext>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrl>
#include <QtQuick3D/qquick3dgeometry.h>
#include <QtQuick3D/qquick3dobject.h>

#include "ModelScene.h"
#include "SceneObjects.h"
#include "StudioText.h"

namespace kvstudio {

namespace {

// A view that has drawn nothing this long after it is shown never will:
// the offscreen platform, say, takes the window but never draws it.
constexpr int kFirstFrameMilliseconds = 5'000;
// Above this many triangles, multisampling would more than double the time
// of every frame where the view is drawn in software (Mesa's llvmpipe takes
// about a second a frame for 4.5 million triangles with it, 0.4 s without):
// a large model turns with rough edges rather than stalls.
constexpr qint64 kMostTrianglesMultisampled = 1'000'000;

// The triangles of every mesh placed in the scene.
qint64 PlacedTriangles(const ModelScene& scene) {
    qint64 triangles = 0;
    for (const SceneNode& node : scene.nodes) {
        if (node.mesh < 0) continue;
        for (const SceneMesh::Part& part : scene.meshes[static_cast<std::size_t>(node.mesh)].parts) {
            triangles += part.indexCount / 3;
        }
    }
    return triangles;
}

// A model draws a mesh for each part of its geometry.
int CountMeshes(const QObject& node) {
    int count = 0;
    for (const QObject* child : node.findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
        if (child->inherits("QQuick3DModel")) {
            const auto* geometry = child->property("geometry").value<QQuick3DGeometry*>();
            count += geometry != nullptr ? geometry->subsetCount() : 0;
        }
        count += CountMeshes(*child);
    }
    return count;
}

// The scene nodes directly below `node`, in the file's order: the materials,
// textures and geometries hang there too.
QList<QObject*> ChildNodes(const QObject& node) {
    QList<QObject*> nodes;
    for (QObject* child : node.findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
        if (child->inherits("QQuick3DNode")) nodes << child;
    }
    return nodes;
}

}  // namespace

ModelView::ModelView(QWidget* parent) : QQuickWidget(parent) {
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setFocusPolicy(Qt::StrongFocus);
    // Files are dropped on the window, which takes them wherever they land.
    setAcceptDrops(false);
    firstFrame_.setSingleShot(true);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        MakeUnavailable(Tr("the offscreen platform (QT_QPA_PLATFORM=offscreen) draws no 3D view"));
        return;
    }
    if (QOpenGLContext probe; !probe.create()) {
        MakeUnavailable(TrCompose("this display (Qt platform %s) offers no OpenGL",
                                  {QGuiApplication::platformName().toStdString()}));
        return;
    }
    setSource(QUrl(QStringLiteral("qrc:/kvstudio/ModelView.qml")));
    QQuickItem* root = rootObject();
    if (root == nullptr) {
        QStringList errors;
        for (const QQmlError& error : this->errors()) errors << error.toString();
        MakeUnavailable(TrCompose("the view did not load: %s", {errors.join(QStringLiteral("; ")).toStdString()}));
        return;
    }
    connect(this, &QQuickWidget::sceneGraphError, this,
            [this](QQuickWindow::SceneGraphError, const QString& message) { MakeUnavailable(message); });
    connect(&firstFrame_, &QTimer::timeout, this, [this] {
        if (!HasDrawn()) {
            MakeUnavailable(TrCompose("the view drew nothing within %s seconds on this display (Qt platform %s)",
                                      {std::to_string(kFirstFrameMilliseconds / 1000),
                                       QGuiApplication::platformName().toStdString()}));
        }
    });
}

void ModelView::MakeUnavailable(const QString& why) {
    if (!whyUnavailable_.isEmpty()) return;
    whyUnavailable_ = why;
    firstFrame_.stop();
    emit Unavailable(why);
}

bool ModelView::HasDrawn() const {
    // The 3D scene's own statistics: the widget may draw its 2D items on a
    // platform where the 3D renderer never runs.
    const QObject* view = rootObject()->findChild<QObject*>(QStringLiteral("view3d"));
    const QObject* statistics = view != nullptr ? view->property("renderStats").value<QObject*>() : nullptr;
    return statistics != nullptr && statistics->property("frameTime").toDouble() > 0.0;
}

void ModelView::showEvent(QShowEvent* event) {
    QQuickWidget::showEvent(event);
    if (whyUnavailable_.isEmpty() && !firstFrame_.isActive() && !HasDrawn()) firstFrame_.start(kFirstFrameMilliseconds);
}

void ModelView::keyPressEvent(QKeyEvent* event) {
    QVariant handled = false;
    if (HasModel()) {
        QMetaObject::invokeMethod(rootObject(), "handleKey", Q_RETURN_ARG(QVariant, handled), Q_ARG(QVariant, event->key()),
                                  Q_ARG(QVariant, static_cast<int>(event->modifiers())));
    }
    if (!handled.toBool()) QQuickWidget::keyPressEvent(event);
}

void ModelView::Show(const ModelScene& scene) {
    if (!whyUnavailable_.isEmpty()) {
        emit Failed(whyUnavailable_);
        return;
    }
    Clear();
    if (!scene.whyNotDrawn.isEmpty()) {
        emit Failed(scene.whyNotDrawn);
        return;
    }
    scene_ = MakeSceneObjects(scene, *ModelNode(), *engine());
    rootObject()->setProperty("hasModel", true);
    rootObject()->setProperty("multisampled", PlacedTriangles(scene) <= kMostTrianglesMultisampled);
    if (scene.box) {
        rootObject()->setProperty("boundsMinimum", scene.box->low);
        rootObject()->setProperty("boundsMaximum", scene.box->high);
        QMetaObject::invokeMethod(rootObject(), "frameAll");
    }
    emit Shown();
}

void ModelView::Clear() {
    if (rootObject() == nullptr) return;
    QMetaObject::invokeMethod(rootObject(), "select", Q_ARG(QVariant, QVariant::fromValue<QObject*>(nullptr)));
    rootObject()->setProperty("hasModel", false);
    delete scene_;
}

void ModelView::FrameAll() {
    if (Extent()) QMetaObject::invokeMethod(rootObject(), "frameAll");
}

void ModelView::SetPlaceholderText(const QString& text) {
    if (rootObject() != nullptr) rootObject()->setProperty("placeholderText", text);
}

void ModelView::SetGridSpacing(double metres) {
    if (rootObject() != nullptr) rootObject()->setProperty("gridStep", metres);
}

void ModelView::Select(const std::vector<int>& instancePath, bool topLevelFaces) {
    if (!HasModel()) return;
    // Below the scene's root, the file's root node, whose children are the
    // top level's own faces, if it has any, and then its instances, each with
    // the instances it places.
    QList<QObject*> level = scene_ != nullptr ? ChildNodes(*scene_) : QList<QObject*>();
    level = level.isEmpty() ? level : ChildNodes(*level.front());
    QObject* node = nullptr;
    for (std::size_t depth = 0; depth < instancePath.size(); ++depth) {
        const int index = instancePath[depth] + (depth == 0 && topLevelFaces ? 1 : 0);
        if (index < 0 || index >= level.size()) {
            node = nullptr;
            break;
        }
        node = level[index];
        level = ChildNodes(*node);
    }
    QMetaObject::invokeMethod(rootObject(), "select", Q_ARG(QVariant, QVariant::fromValue(node)));
}

bool ModelView::HasSelection() const {
    return rootObject() != nullptr && rootObject()->property("hasSelection").toBool();
}

QQuick3DObject* ModelView::ModelNode() const {
    return rootObject()->findChild<QQuick3DObject*>(QStringLiteral("model"));
}

bool ModelView::HasModel() const {
    return rootObject() != nullptr && rootObject()->property("hasModel").toBool();
}

int ModelView::MeshCount() const {
    return scene_ != nullptr ? CountMeshes(*scene_) : 0;
}

std::optional<ModelExtent> ModelView::Extent() const {
    if (!HasModel() || MeshCount() == 0) {
        return std::nullopt;
    }
    const QVector3D minimum = rootObject()->property("boundsMinimum").value<QVector3D>();
    const QVector3D maximum = rootObject()->property("boundsMaximum").value<QVector3D>();
    const QVector3D extent = maximum - minimum;
    // The file is y up; the model it was written from is z up.
    return ModelExtent{{extent.x(), extent.z(), extent.y()}};
}

double ModelView::CameraDistance() const {
    const QObject* camera = rootObject() != nullptr ? rootObject()->findChild<QObject*>(QStringLiteral("camera")) : nullptr;
    return camera != nullptr ? camera->property("z").toDouble() : 0.0;
}

}  // namespace kvstudio
