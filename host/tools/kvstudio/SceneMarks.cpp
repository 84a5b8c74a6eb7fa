// The placements of a part picked in the outline, drawn tinted: a model of
// the same mesh draws them with tinted copies of its materials, and the
// mesh's own model leaves them out, so that only the part's own pixels change.
#include <QColor>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlListReference>
#include <QQmlProperty>
#include <QVector3D>
#include <QtQuick3D/qquick3dgeometry.h>
#include <QtQuick3D/qquick3dobject.h>

#include <cstring>
#include <map>
#include <memory>

#include "ModelScene.h"
#include "SceneObjects.h"

namespace kvstudio {

namespace {

// The selection colour, mixed into each material's own.
const QColor kTint = QColor::fromRgbF(1.0f, 0.55f, 0.0f);
constexpr float kTintShare = 0.6f;
// Set on a mesh's model while some of its placements are drawn by a mark.
constexpr char kHasMarks[] = "hasMarks";

// The table without the chosen entries: zero matrices, which draw nothing.
QByteArray WithoutEntries(const QByteArray& table, const std::vector<int>& chosen) {
    QByteArray left = table;
    for (const int entry : chosen) std::memset(left.data() + qsizetype{entry} * kInstanceEntryBytes, 0, 12 * sizeof(float));
    return left;
}

QByteArray OnlyEntries(const QByteArray& table, const std::vector<int>& chosen) {
    QByteArray only;
    only.reserve(static_cast<qsizetype>(chosen.size()) * kInstanceEntryBytes);
    for (const int entry : chosen) only.append(table.constData() + qsizetype{entry} * kInstanceEntryBytes, kInstanceEntryBytes);
    return only;
}

class Marker {
public:
    Marker(QQuick3DObject& objects, QQmlEngine& engine)
        : objects_(objects), model_(QuickComponent(engine, "Model")), material_(QuickComponent(engine, "PrincipledMaterial")) {}

    // A model of the mesh that draws `chosen` tinted, as `model` draws them.
    void Mark(QQuick3DObject& model, const SceneMesh& mesh, const std::vector<int>& chosen) {
        QQuick3DObject* mark = CreateBelow(*model_, objects_);
        mark->setObjectName(QLatin1String(kMarkName));
        QQmlProperty::write(mark, QStringLiteral("geometry"), model.property("geometry"));
        if (mesh.placements == 1) {
            for (const char* name : {"position", "rotation", "scale"}) mark->setProperty(name, model.property(name));
        } else {
            auto* placements = new ScenePlacements(OnlyEntries(mesh.instances, chosen), static_cast<int>(chosen.size()), mark);
            QQmlProperty::write(mark, QStringLiteral("instancing"), QVariant::fromValue<QQuick3DInstancing*>(placements));
        }
        QQmlListReference from(&model, "materials");
        QQmlListReference to(mark, "materials");
        for (qsizetype index = 0; index < from.count(); ++index) to.append(Tinted(*from.at(index), *mark));
    }

private:
    QObject* Tinted(QObject& material, QQuick3DObject& owner) {
        QQuick3DObject* tinted = CreateBelow(*material_, owner);
        for (const char* name : {"metalness", "roughness", "alphaMode", "alphaCutoff", "cullMode"}) {
            tinted->setProperty(name, material.property(name));
        }
        QQmlProperty::write(tinted, QStringLiteral("baseColorMap"), QQmlProperty::read(&material, QStringLiteral("baseColorMap")));
        const QColor own = material.property("baseColor").value<QColor>();
        const auto mix = [](float mine, float tint) { return mine * (1.0f - kTintShare) + tint * kTintShare; };
        tinted->setProperty("baseColor", QColor::fromRgbF(mix(own.redF(), kTint.redF()), mix(own.greenF(), kTint.greenF()),
                                                          mix(own.blueF(), kTint.blueF()), own.alphaF()));
        // Lit from behind or in shadow, the part still shows its colour.
        tinted->setProperty("emissiveFactor", QVector3D(kTint.redF(), kTint.greenF(), kTint.blueF()) * 0.35f);
        return tinted;
    }

    QQuick3DObject& objects_;
    std::unique_ptr<QQmlComponent> model_;
    std::unique_ptr<QQmlComponent> material_;
};

}  // namespace

void MarkPlacements(QQuick3DObject& objects, const ModelScene& scene, const std::vector<std::vector<int>>& chosen,
                    QQmlEngine& engine) {
    for (QObject* mark : objects.findChildren<QObject*>(QLatin1String(kMarkName), Qt::FindDirectChildrenOnly)) delete mark;
    Marker marker(objects, engine);
    std::map<int, QQuick3DObject*> coarse;
    for (QQuick3DObject* model : SceneModels(objects, kCoarseDrawingName)) coarse[model->property(kSceneMeshProperty).toInt()] = model;
    for (QQuick3DObject* model : SceneModels(objects, kFullDrawingName)) {
        const int number = model->property(kSceneMeshProperty).toInt();
        const auto index = static_cast<std::size_t>(number);
        const SceneMesh& mesh = scene.meshes[index];
        static const std::vector<int> kNone;
        const std::vector<int>& marked = index < chosen.size() ? chosen[index] : kNone;
        // A table that was never changed is not sent to the renderer again.
        if (marked.empty() && !model->property(kHasMarks).toBool()) continue;
        model->setProperty(kHasMarks, !marked.empty());
        if (mesh.placements == 1) {
            model->setProperty("visible", marked.empty());
            // The coarser drawing shares the placements of instance tables, not of nodes.
            if (const auto other = coarse.find(number); other != coarse.end()) other->second->setProperty("visible", marked.empty());
        } else if (auto* placements = model->findChild<ScenePlacements*>(QString(), Qt::FindDirectChildrenOnly)) {
            placements->SetTable(marked.empty() ? mesh.instances : WithoutEntries(mesh.instances, marked), mesh.placements);
        }
        if (!marked.empty()) marker.Mark(*model, mesh, marked);
    }
}

}  // namespace kvstudio
