#pragma once

#include <QQuickWidget>
#include <QString>
#include <QVector3D>

#include <optional>

namespace kvstudio {

// The model's extent along its own axes (z up), in metres.
struct ModelExtent {
    QVector3D metres;
};

// The 3D view of one model file (a glTF binary), drawn by Qt Quick 3D.
class ModelView final : public QQuickWidget {
    Q_OBJECT
public:
    explicit ModelView(QWidget* parent = nullptr);

    // Loads the file; Shown follows once the model is framed, or Failed.
    // The file's name must end in ".glb". kvstudio hands it only files that
    // the modelling library wrote (see ModelRewrite.h).
    void Show(const QString& glbPath);
    void Clear();
    void FrameAll();
    void SetPlaceholderText(const QString& text);

    // True from Show until Clear, whether or not the model could be read.
    bool HasModel() const;
    // The meshes the view draws, one for each placed glTF primitive.
    int MeshCount() const;
    // Absent while no model with geometry is shown.
    std::optional<ModelExtent> Extent() const;

signals:
    void Shown();
    void Failed(const QString& reason);

private:
    QObject* Loader() const;
};

}  // namespace kvstudio
