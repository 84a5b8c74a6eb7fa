#pragma once

#include <QPointer>
#include <QQuickWidget>
#include <QString>
#include <QTimer>
#include <QVector3D>

#include <optional>
#include <vector>

class QQuick3DObject;

namespace kvstudio {

struct ModelScene;

// The model's extent along its own axes (z up), in metres.
struct ModelExtent {
    QVector3D metres;
};

// The 3D view of one model, drawn by Qt Quick 3D from the scene of its model
// file, on a ground grid. A display without OpenGL, or one on which the view
// draws nothing, makes it unavailable with the reason: nothing then waits on it.
class ModelView final : public QQuickWidget {
    Q_OBJECT
public:
    explicit ModelView(QWidget* parent = nullptr);

    // Shows the scene in place of the model before; Shown follows once the
    // model is framed, or Failed. kvstudio hands it only the scenes of files
    // that the modelling library wrote (see ModelRewrite.h). The view shares
    // the scene's arrays, which need not be kept.
    void Show(const ModelScene& scene);
    void Clear();
    void FrameAll();
    void SetPlaceholderText(const QString& text);
    // The ground grid's spacing; zero hides it.
    void SetGridSpacing(double metres);
    // Marks a placed part and turns the camera on it: the indices of its
    // instance at each level, from the model's top level, whose own faces
    // (if `topLevelFaces`) come first in the file. Empty takes the mark away.
    void Select(const std::vector<int>& instancePath, bool topLevelFaces);
    bool HasSelection() const;

    // Why the view cannot draw; empty while it can, or is still finding out.
    const QString& WhyUnavailable() const { return whyUnavailable_; }
    // True from a Show that shows a model until Clear.
    bool HasModel() const;
    // The meshes the view draws, one for each placed glTF primitive.
    int MeshCount() const;
    // Absent while no model with geometry is shown.
    std::optional<ModelExtent> Extent() const;
    // The camera's distance from what it turns around, in the view's units.
    double CameraDistance() const;

signals:
    void Shown();
    void Failed(const QString& reason);
    // The view cannot draw, and why: from then on it shows nothing.
    void Unavailable(const QString& why);

protected:
    void showEvent(QShowEvent* event) override;
    // Arrows orbit, with Shift they pan; + and - (or Page Up and Down) zoom.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The node below which the model's scene is made.
    QQuick3DObject* ModelNode() const;
    bool HasDrawn() const;
    void MakeUnavailable(const QString& why);

    QString whyUnavailable_;
    // Waits for the first frame once the view is on screen.
    QTimer firstFrame_;
    // What Show made, owning the rest: its children are the scene's roots.
    QPointer<QQuick3DObject> scene_;
};

}  // namespace kvstudio
