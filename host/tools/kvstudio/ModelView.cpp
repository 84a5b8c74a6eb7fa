#include "ModelView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QOpenGLContext>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickWindow>
#include <QUrl>

#include "StudioText.h"

namespace kvstudio {

namespace {

// A view that has drawn nothing this long after it is shown never will:
// the offscreen platform, say, takes the window but never draws it.
constexpr int kFirstFrameMilliseconds = 5'000;
// From Show to the model framed: Qt Quick 3D reads the file before Show
// returns, so this is only the time to upload and draw it.
constexpr int kLoadingMilliseconds = 60'000;

int CountMeshes(const QObject& node) {
    int count = 0;
    for (const QObject* child : node.findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
        if (child->inherits("QQuick3DModel")) ++count;
        count += CountMeshes(*child);
    }
    return count;
}

// The scene nodes directly below `node`, in the file's order: the loader
// also hangs the materials and textures there.
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
    loading_.setSingleShot(true);
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
    connect(root, SIGNAL(modelShown()), this, SIGNAL(Shown()));
    connect(root, SIGNAL(modelFailed(QString)), this, SIGNAL(Failed(QString)));
    connect(this, &ModelView::Shown, &loading_, &QTimer::stop);
    connect(this, &ModelView::Failed, &loading_, &QTimer::stop);
    connect(this, &QQuickWidget::sceneGraphError, this,
            [this](QQuickWindow::SceneGraphError, const QString& message) { MakeUnavailable(message); });
    connect(&firstFrame_, &QTimer::timeout, this, [this] {
        if (!HasDrawn()) {
            MakeUnavailable(TrCompose("the view drew nothing within %s seconds on this display (Qt platform %s)",
                                      {std::to_string(kFirstFrameMilliseconds / 1000),
                                       QGuiApplication::platformName().toStdString()}));
        }
    });
    connect(&loading_, &QTimer::timeout, this, [this] {
        emit Failed(TrCompose("the view did not draw it within %s seconds", {std::to_string(kLoadingMilliseconds / 1000)}));
    });
}

void ModelView::MakeUnavailable(const QString& why) {
    if (!whyUnavailable_.isEmpty()) return;
    whyUnavailable_ = why;
    loading_.stop();
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

void ModelView::Show(const QString& glbPath, bool hasFaces) {
    if (!whyUnavailable_.isEmpty()) {
        emit Failed(whyUnavailable_);
        return;
    }
    loading_.start(kLoadingMilliseconds);
    QMetaObject::invokeMethod(rootObject(), "show", Q_ARG(QVariant, QUrl::fromLocalFile(glbPath)),
                              Q_ARG(QVariant, hasFaces));
}

void ModelView::Clear() {
    if (rootObject() != nullptr) QMetaObject::invokeMethod(rootObject(), "clear");
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
    // Below the loader: its import's root, the file's scene, the file's root
    // node, whose children are the top level's own faces, if it has any, and
    // then its instances, each with the instances it places.
    QList<QObject*> level = ChildNodes(*Loader());
    for (int depth = 0; depth < 2 && !level.isEmpty(); ++depth) level = ChildNodes(*level.front());
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

QObject* ModelView::Loader() const {
    return rootObject()->property("loader").value<QObject*>();
}

bool ModelView::HasModel() const {
    return rootObject() != nullptr && !Loader()->property("source").toUrl().isEmpty();
}

int ModelView::MeshCount() const {
    return rootObject() != nullptr ? CountMeshes(*Loader()) : 0;
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
