#include "ModelView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QOpenGLContext>
#include <QQmlError>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QStackedLayout>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <QtQuick3D/qquick3dgeometry.h>
#include <QtQuick3D/qquick3dinstancing.h>
#include <QtQuick3D/qquick3dobject.h>

#include "ModelScene.h"
#include "ModelViewCoarse.h"
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

// A model draws a mesh for each part of its geometry, once for each of its placements.
int CountMeshes(const QObject& node) {
    int count = 0;
    for (const QObject* child : node.findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
        // The coarser drawing is another drawing of the same meshes.
        if (child->objectName() == QLatin1String(kCoarseDrawingName)) continue;
        if (child->inherits("QQuick3DModel") && child->objectName() != QLatin1String(kMarkName)) {
            const auto* geometry = child->property("geometry").value<QQuick3DGeometry*>();
            const auto* placements = dynamic_cast<const ScenePlacements*>(child->property("instancing").value<QQuick3DInstancing*>());
            if (geometry != nullptr) count += geometry->subsetCount() * (placements != nullptr ? placements->Count() : 1);
        }
        count += CountMeshes(*child);
    }
    return count;
}

}  // namespace

ModelView::ModelView(QWidget* parent) : QWidget(parent), pages_(new QStackedLayout(this)), placeholder_(new QLabel(this)) {
    // Clicks anywhere on the view give it the keys: the Qt Quick scene takes none.
    setFocusPolicy(Qt::StrongFocus);
    placeholder_->setAlignment(Qt::AlignCenter);
    placeholder_->setWordWrap(true);
    placeholder_->setMargin(24);
    // As the 3D view's background, so that the first model does not flash.
    placeholder_->setStyleSheet(QStringLiteral("QLabel { background: #dfe3e8; color: #5a6470; font-size: 16px; }"));
    pages_->addWidget(placeholder_);
    firstFrame_.setSingleShot(true);
    connect(&firstFrame_, &QTimer::timeout, this, [this] {
        if (!HasDrawn()) {
            MakeUnavailable(TrCompose("the view drew nothing within %s seconds on this display (Qt platform %s)",
                                      {std::to_string(kFirstFrameMilliseconds / 1000),
                                       QGuiApplication::platformName().toStdString()}));
        }
    });
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        MakeUnavailable(Tr("the offscreen platform (QT_QPA_PLATFORM=offscreen) draws no 3D view"));
        return;
    }
    if (QOpenGLContext probe; !probe.create()) {
        MakeUnavailable(TrCompose("this display (Qt platform %s) offers no OpenGL",
                                  {QGuiApplication::platformName().toStdString()}));
        return;
    }
    // Made now, empty and hidden behind the placeholder: a window that gains
    // its first Qt Quick widget once on screen is made anew to be drawn
    // through OpenGL, and stays black meanwhile, menus and dialogs included.
    quick_ = new QQuickWidget(this);
    quick_->setResizeMode(QQuickWidget::SizeRootObjectToView);
    quick_->setFocusPolicy(Qt::NoFocus);
    // Files are dropped on the window, which takes them wherever they land.
    quick_->setAcceptDrops(false);
    pages_->addWidget(quick_);
}

bool ModelView::MakeQuickView() {
    if (quick_ == nullptr || !whyUnavailable_.isEmpty()) return false;
    if (Root() != nullptr) return true;
    quick_->setSource(QUrl(QStringLiteral("qrc:/kvstudio/ModelView.qml")));
    if (quick_->rootObject() == nullptr) {
        QStringList errors;
        for (const QQmlError& error : quick_->errors()) errors << error.toString();
        MakeUnavailable(TrCompose("the view did not load: %s", {errors.join(QStringLiteral("; ")).toStdString()}));
        return false;
    }
    connect(quick_, &QQuickWidget::sceneGraphError, this,
            [this](QQuickWindow::SceneGraphError, const QString& message) { MakeUnavailable(message); });
    if (isVisible()) firstFrame_.start(kFirstFrameMilliseconds);
    return true;
}

void ModelView::MakeUnavailable(const QString& why) {
    if (!whyUnavailable_.isEmpty()) return;
    whyUnavailable_ = why;
    firstFrame_.stop();
    pages_->setCurrentWidget(placeholder_);
    emit Unavailable(why);
}

bool ModelView::HasDrawn() const {
    if (Root() == nullptr) return false;
    // The 3D scene's own statistics: the widget may draw its 2D items on a
    // platform where the 3D renderer never runs.
    const QObject* view = Root()->findChild<QObject*>(QStringLiteral("view3d"));
    const QObject* statistics = view != nullptr ? view->property("renderStats").value<QObject*>() : nullptr;
    return statistics != nullptr && statistics->property("frameTime").toDouble() > 0.0;
}

void ModelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Root() != nullptr && whyUnavailable_.isEmpty() && !firstFrame_.isActive() && !HasDrawn()) {
        firstFrame_.start(kFirstFrameMilliseconds);
    }
}

void ModelView::keyPressEvent(QKeyEvent* event) {
    QVariant handled = false;
    if (HasModel()) {
        QMetaObject::invokeMethod(Root(), "handleKey", Q_RETURN_ARG(QVariant, handled), Q_ARG(QVariant, event->key()),
                                  Q_ARG(QVariant, static_cast<int>(event->modifiers())));
    }
    if (!handled.toBool()) QWidget::keyPressEvent(event);
}

void ModelView::Show(const ModelScene& scene) {
    if (!whyUnavailable_.isEmpty()) {
        emit Failed(whyUnavailable_);
        return;
    }
    if (!scene.whyNotDrawn.isEmpty()) {
        Clear();
        emit Failed(scene.whyNotDrawn);
        return;
    }
    if (!MakeQuickView()) {
        emit Failed(whyUnavailable_);
        return;
    }
    RemoveModel();
    pages_->setCurrentWidget(quick_);
    shown_ = scene;
    scene_ = MakeSceneObjects(shown_, *ModelNode(), *quick_->engine());
    QQmlProperty::write(Root(), QStringLiteral("fullDrawing"),
                        QVariant::fromValue<QObject*>(scene_->findChild<QObject*>(QLatin1String(kFullDrawingName))));
    Root()->setProperty("hasModel", true);
    const qint64 placed = PlacedTriangles(scene.meshes);
    Root()->setProperty("multisampled", placed <= kMostTrianglesMultisampled);
    if (placed > kMostTrianglesDrawnMoving) {
        // Made on a thread of the pool, so that the window goes on answering
        // and the model is drawn meanwhile, as it is.
        QtConcurrent::run(CoarseMeshes, scene.meshes)
            .then(this, [this, shown = scene_](const std::vector<std::optional<SceneMesh>>& coarse) {
                if (coarse.empty() || shown.isNull() || scene_ != shown) return;
                QQuick3DObject* drawing = AddCoarseObjects(*scene_, coarse, *quick_->engine());
                QQmlProperty::write(Root(), QStringLiteral("coarseDrawing"), QVariant::fromValue<QObject*>(drawing));
            });
    }
    if (scene.box) {
        Root()->setProperty("boundsMinimum", scene.box->low);
        Root()->setProperty("boundsMaximum", scene.box->high);
        QMetaObject::invokeMethod(Root(), "frameAll");
    }
    emit Shown();
}

void ModelView::Clear() {
    pages_->setCurrentWidget(placeholder_);
    RemoveModel();
}

void ModelView::RemoveModel() {
    if (Root() == nullptr) return;
    QMetaObject::invokeMethod(Root(), "clearSelection");
    Root()->setProperty("hasModel", false);
    for (const char* name : {"fullDrawing", "coarseDrawing"}) {
        QQmlProperty::write(Root(), QLatin1String(name), QVariant::fromValue<QObject*>(nullptr));
    }
    delete scene_;
    shown_ = {};
}

void ModelView::FrameAll() {
    if (Extent()) QMetaObject::invokeMethod(Root(), "frameAll");
}

void ModelView::SetPlaceholderText(const QString& text) {
    placeholder_->setText(text);
}

void ModelView::SetGridSpacing(double metres) {
    if (Root() != nullptr) Root()->setProperty("gridStep", metres);
}

void ModelView::Select(const std::vector<int>& instancePath, bool topLevelFaces) {
    if (!HasModel()) return;
    MarkPlacements(*scene_, shown_, PlacementsOfPart(shown_, instancePath, topLevelFaces), *quick_->engine());
    const std::optional<SceneBox> box = PlacedPartBox(shown_, instancePath, topLevelFaces);
    if (!box) {
        QMetaObject::invokeMethod(Root(), "clearSelection");
        return;
    }
    QMetaObject::invokeMethod(Root(), "turnToBox", Q_ARG(QVariant, box->low), Q_ARG(QVariant, box->high));
}

bool ModelView::HasCoarseDrawing() const {
    return Root() != nullptr && Root()->property("coarseDrawing").value<QObject*>() != nullptr;
}

bool ModelView::DrawsCoarse() const {
    return Root() != nullptr && Root()->property("drawsCoarse").toBool();
}

bool ModelView::HasSelection() const {
    return Root() != nullptr && Root()->property("hasSelection").toBool();
}

QQuickItem* ModelView::Root() const {
    return quick_ != nullptr ? quick_->rootObject() : nullptr;
}

QQuickWindow* ModelView::QuickWindow() const {
    return Root() != nullptr ? quick_->quickWindow() : nullptr;
}

QQuick3DObject* ModelView::ModelNode() const {
    return Root()->findChild<QQuick3DObject*>(QStringLiteral("model"));
}

bool ModelView::HasModel() const {
    return Root() != nullptr && Root()->property("hasModel").toBool();
}

int ModelView::MeshCount() const {
    return scene_ != nullptr ? CountMeshes(*scene_) : 0;
}

std::optional<ModelExtent> ModelView::Extent() const {
    if (!HasModel() || MeshCount() == 0) {
        return std::nullopt;
    }
    const QVector3D minimum = Root()->property("boundsMinimum").value<QVector3D>();
    const QVector3D maximum = Root()->property("boundsMaximum").value<QVector3D>();
    const QVector3D extent = maximum - minimum;
    // The file is y up; the model it was written from is z up.
    return ModelExtent{{extent.x(), extent.z(), extent.y()}};
}

double ModelView::CameraDistance() const {
    const QObject* camera = Root() != nullptr ? Root()->findChild<QObject*>(QStringLiteral("camera")) : nullptr;
    return camera != nullptr ? camera->property("z").toDouble() : 0.0;
}

}  // namespace kvstudio
