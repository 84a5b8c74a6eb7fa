#include "ModelView.h"

#include <QQuickItem>
#include <QUrl>

namespace kvstudio {

namespace {

int CountMeshes(const QObject& node) {
    int count = 0;
    for (const QObject* child : node.findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
        if (child->inherits("QQuick3DModel")) ++count;
        count += CountMeshes(*child);
    }
    return count;
}

}  // namespace

ModelView::ModelView(QWidget* parent) : QQuickWidget(parent) {
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setSource(QUrl(QStringLiteral("qrc:/kvstudio/ModelView.qml")));
    QQuickItem* root = rootObject();
    connect(root, SIGNAL(modelShown()), this, SIGNAL(Shown()));
    connect(root, SIGNAL(modelFailed(QString)), this, SIGNAL(Failed(QString)));
}

void ModelView::Show(const QString& glbPath) {
    QMetaObject::invokeMethod(rootObject(), "show", Q_ARG(QVariant, QUrl::fromLocalFile(glbPath)));
}

void ModelView::Clear() {
    QMetaObject::invokeMethod(rootObject(), "clear");
}

void ModelView::FrameAll() {
    if (Extent()) QMetaObject::invokeMethod(rootObject(), "frameAll");
}

void ModelView::SetPlaceholderText(const QString& text) {
    rootObject()->setProperty("placeholderText", text);
}

QObject* ModelView::Loader() const {
    return rootObject()->property("loader").value<QObject*>();
}

bool ModelView::HasModel() const {
    return !Loader()->property("source").toUrl().isEmpty();
}

int ModelView::MeshCount() const {
    return CountMeshes(*Loader());
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

}  // namespace kvstudio
