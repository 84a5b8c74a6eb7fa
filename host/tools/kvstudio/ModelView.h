#pragma once

#include <QPointer>
#include <QQuickWindow>
#include <QString>
#include <QTimer>
#include <QVector3D>
#include <QWidget>

#include <optional>
#include <vector>

#include "ModelScene.h"

class QLabel;
class QQuick3DObject;
class QQuickItem;
class QQuickWidget;
class QStackedLayout;

namespace kvstudio {

// The model's extent along its own axes (z up), in metres.
struct ModelExtent {
    QVector3D metres;
};

// The 3D view of one model, drawn by Qt Quick 3D from the scene of its model
// file, on a ground grid; without a model, a line of text in its place. The
// Qt Quick widget is there from the start, but its scene is made for the
// first model shown, not before: drawn in software, it holds some 90 MiB
// from its first frame on (the renderer's compiler, its render targets and
// shaders), which a window waiting for an import, or converting a large one,
// should not pay. A display without
// OpenGL, or one on which the view draws nothing, makes it unavailable with
// the reason: nothing then waits on it.
class ModelView final : public QWidget {
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
    // What the view says while it shows no model.
    void SetPlaceholderText(const QString& text);
    // The ground grid's spacing; zero hides it.
    void SetGridSpacing(double metres);
    // Draws a placed part tinted, the rest as it is, and turns the camera on
    // it: the indices of its instance at each level, from the model's top
    // level, whose own faces (if `topLevelFaces`) come first in the file.
    // Empty takes the tint away.
    void Select(const std::vector<int>& instancePath, bool topLevelFaces);
    bool HasSelection() const;
    // A model of more than kMostTrianglesDrawnMoving triangles is drawn
    // coarser while the camera moves (see ModelViewCoarse.h), once that
    // drawing is made, on a thread of its own, shortly after Show.
    bool HasCoarseDrawing() const;
    // True while the camera moves and the coarser drawing is drawn.
    bool DrawsCoarse() const;

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
    // The window Qt Quick draws the model in; null until the first model.
    QQuickWindow* QuickWindow() const;

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
    // Makes the Qt Quick scene, unless it is there; false, with the view
    // unavailable, if it cannot be made.
    bool MakeQuickView();
    // Takes the model out of the Qt Quick scene, if there is one.
    void RemoveModel();
    // The scene's root item; null while there is no scene.
    QQuickItem* Root() const;
    // The node below which the model's scene is made.
    QQuick3DObject* ModelNode() const;
    bool HasDrawn() const;
    void MakeUnavailable(const QString& why);

    QStackedLayout* pages_;
    QLabel* placeholder_;
    QQuickWidget* quick_ = nullptr;
    QString whyUnavailable_;
    // Waits for the first frame once the view is on screen.
    QTimer firstFrame_;
    // What Show made, owning the rest, and the scene it draws, whose tree
    // says where each placed part is.
    QPointer<QQuick3DObject> scene_;
    ModelScene shown_;
};

}  // namespace kvstudio
