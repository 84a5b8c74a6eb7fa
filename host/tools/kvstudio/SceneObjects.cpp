#include "SceneObjects.h"

#include <QMatrix3x3>
#include <QMatrix4x4>
#include <QQmlComponent>
#include <QQuaternion>
#include <QVector3D>
#include <QQmlEngine>
#include <QQmlListReference>
#include <QQmlProperty>
#include <QtQuick3D/qquick3dgeometry.h>
#include <QtQuick3D/qquick3dinstancing.h>
#include <QtQuick3D/qquick3dobject.h>
#include <QtQuick3D/qquick3dtexturedata.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ModelScene.h"

namespace kvstudio {

namespace {

const char* FilterKey(SceneTexture::Filter filter) {
    return filter == SceneTexture::Filter::Nearest ? "Nearest" : "Linear";
}

const char* WrapKey(SceneTexture::Wrap wrap) {
    switch (wrap) {
        case SceneTexture::Wrap::ClampToEdge: return "ClampToEdge";
        case SceneTexture::Wrap::MirroredRepeat: return "MirroredRepeat";
        case SceneTexture::Wrap::Repeat: break;
    }
    return "Repeat";
}

const char* AlphaKey(SceneMaterial::Alpha alpha) {
    switch (alpha) {
        case SceneMaterial::Alpha::Mask: return "Mask";
        case SceneMaterial::Alpha::Blend: return "Blend";
        case SceneMaterial::Alpha::Opaque: break;
    }
    return "Opaque";
}

}  // namespace

ScenePlacements::ScenePlacements(QByteArray table, int count, QQuick3DObject* parent)
    : QQuick3DInstancing(parent), table_(std::move(table)), count_(count) {}

void ScenePlacements::SetTable(QByteArray table, int count) {
    table_ = std::move(table);
    count_ = count;
    markDirty();
}

QByteArray ScenePlacements::getInstanceBuffer(int* instanceCount) {
    if (instanceCount != nullptr) *instanceCount = count_;
    return table_;
}

namespace {

QQuick3DGeometry* MakeGeometry(const SceneMesh& mesh, QQuick3DObject& owner) {
    using Attribute = QQuick3DGeometry::Attribute;
    auto* geometry = new QQuick3DGeometry(&owner);
    geometry->setVertexData(mesh.vertices);
    geometry->setIndexData(mesh.indices);
    geometry->setStride(mesh.Stride());
    geometry->setPrimitiveType(QQuick3DGeometry::PrimitiveType::Triangles);
    geometry->addAttribute(Attribute::PositionSemantic, 0, Attribute::F32Type);
    // Without normals Qt Quick 3D shades each triangle by its own plane.
    if (mesh.smooth) geometry->addAttribute(Attribute::NormalSemantic, mesh.NormalOffset(), Attribute::F32Type);
    if (mesh.textured) geometry->addAttribute(Attribute::TexCoord0Semantic, mesh.UvOffset(), Attribute::F32Type);
    geometry->addAttribute(Attribute::IndexSemantic, 0, mesh.wideIndices ? Attribute::U32Type : Attribute::U16Type);
    geometry->setBounds(mesh.box.low, mesh.box.high);
    for (const SceneMesh::Part& part : mesh.parts) {
        geometry->addSubset(part.firstIndex, part.indexCount, part.box.low, part.box.high);
    }
    return geometry;
}

class SceneObjectMaker {
public:
    SceneObjectMaker(const ModelScene& scene, QQmlEngine& engine)
        : scene_(scene),
          node_(QuickComponent(engine, "Node")),
          model_(QuickComponent(engine, "Model")),
          material_(QuickComponent(engine, "PrincipledMaterial")),
          texture_(QuickComponent(engine, "Texture")) {}

    QQuick3DObject* Make(QQuick3DObject& parent) {
        top_ = CreateBelow(*node_, parent);
        QQuick3DObject* models = CreateBelow(*node_, *top_);
        models->setObjectName(QLatin1String(kFullDrawingName));
        for (std::size_t index = 0; index < scene_.meshes.size(); ++index) {
            const SceneMesh& mesh = scene_.meshes[index];
            if (mesh.placements == 0 || mesh.parts.empty()) continue;
            MakeModel(mesh, *models)->setProperty(kSceneMeshProperty, static_cast<int>(index));
        }
        return top_;
    }

private:
    // One model for every placement of the mesh: Qt Quick 3D draws it once
    // for each entry of its instance table.
    QQuick3DObject* MakeModel(const SceneMesh& mesh, QQuick3DObject& above) {
        QQuick3DObject* model = CreateBelow(*model_, above);
        QQmlProperty::write(model, QStringLiteral("geometry"), QVariant::fromValue(Geometry(mesh)));
        if (mesh.placements == 1) {
            // Placed once, it is placed as a node is: Qt Quick 3D's instanced
            // shaders would be compiled for nothing.
            Place(*model, mesh.instances);
        } else {
            auto* placements = new ScenePlacements(mesh.instances, mesh.placements, model);
            QQmlProperty::write(model, QStringLiteral("instancing"), QVariant::fromValue<QQuick3DInstancing*>(placements));
        }
        QQmlListReference materials(model, "materials");
        for (const SceneMesh::Part& part : mesh.parts) materials.append(Material(part.material));
        return model;
    }

    // The placement of a table's one entry as position, rotation and scale;
    // the reader has checked that no axis is flattened.
    static void Place(QQuick3DObject& model, const QByteArray& table) {
        const auto* rows = reinterpret_cast<const float*>(table.constData());
        QMatrix4x4 placed;
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) placed(row, column) = rows[row * 4 + column];
        }
        QVector3D scale;
        for (int column = 0; column < 3; ++column) scale[column] = placed.column(column).toVector3D().length();
        // A mirroring turns one axis round.
        if (QVector3D::dotProduct(placed.column(0).toVector3D(), QVector3D::crossProduct(placed.column(1).toVector3D(),
                                                                                         placed.column(2).toVector3D())) < 0.0f) {
            scale[0] = -scale[0];
        }
        QMatrix3x3 rotation;
        for (int column = 0; column < 3; ++column) {
            const QVector3D axis = placed.column(column).toVector3D() / scale[column];
            for (int row = 0; row < 3; ++row) rotation(row, column) = axis[row];
        }
        model.setProperty("position", placed.column(3).toVector3D());
        model.setProperty("rotation", QQuaternion::fromRotationMatrix(rotation));
        model.setProperty("scale", scale);
    }

    QQuick3DGeometry* Geometry(const SceneMesh& mesh) {
        auto [known, isNew] = geometries_.try_emplace(&mesh);
        if (isNew) known->second = MakeGeometry(mesh, *top_);
        return known->second;
    }

    // -1 is glTF's default material.
    QObject* Material(int index) {
        auto [known, isNew] = materials_.try_emplace(index);
        if (!isNew) return known->second;
        static const SceneMaterial kDefault;
        const SceneMaterial& material = index >= 0 ? scene_.materials[static_cast<std::size_t>(index)] : kDefault;
        QQuick3DObject* made = CreateBelow(*material_, *top_);
        made->setProperty("baseColor", material.baseColour);
        made->setProperty("metalness", material.metalness);
        made->setProperty("roughness", material.roughness);
        made->setProperty("alphaMode", AlphaKey(material.alpha));
        made->setProperty("alphaCutoff", material.alphaCutoff);
        made->setProperty("cullMode", material.doubleSided ? "NoCulling" : "BackFaceCulling");
        if (material.texture >= 0) {
            const SceneTexture& texture = scene_.textures[static_cast<std::size_t>(material.texture)];
            if (!texture.rgba.isEmpty()) QQmlProperty::write(made, QStringLiteral("baseColorMap"), QVariant::fromValue(Texture(texture)));
        }
        known->second = made;
        return made;
    }

    QObject* Texture(const SceneTexture& texture) {
        auto [known, isNew] = textures_.try_emplace(&texture);
        if (!isNew) return known->second;
        auto* data = new QQuick3DTextureData(top_);
        data->setSize(texture.size);
        data->setFormat(QQuick3DTextureData::RGBA8);
        data->setHasTransparency(texture.transparent);
        data->setTextureData(texture.rgba);
        QQuick3DObject* made = CreateBelow(*texture_, *top_);
        QQmlProperty::write(made, QStringLiteral("textureData"), QVariant::fromValue(data));
        made->setProperty("magFilter", FilterKey(texture.magnification));
        made->setProperty("minFilter", FilterKey(texture.minification));
        made->setProperty("tilingModeHorizontal", WrapKey(texture.wrapS));
        made->setProperty("tilingModeVertical", WrapKey(texture.wrapT));
        known->second = made;
        return made;
    }

    const ModelScene& scene_;
    std::unique_ptr<QQmlComponent> node_;
    std::unique_ptr<QQmlComponent> model_;
    std::unique_ptr<QQmlComponent> material_;
    std::unique_ptr<QQmlComponent> texture_;
    QQuick3DObject* top_ = nullptr;
    std::map<const SceneMesh*, QQuick3DGeometry*> geometries_;
    std::map<int, QObject*> materials_;
    std::map<const SceneTexture*, QObject*> textures_;
};

}  // namespace

QQmlComponent* QuickComponent(QQmlEngine& engine, const char* type) {
    auto* component = new QQmlComponent(&engine);
    component->setData(QByteArray("import QtQuick3D\n") + type + " {}", QUrl());
    return component;
}

QQuick3DObject* CreateBelow(QQmlComponent& component, QQuick3DObject& above) {
    auto* object = qobject_cast<QQuick3DObject*>(component.create());
    object->setParent(&above);
    object->setParentItem(&above);
    return object;
}

QQuick3DObject* MakeSceneObjects(const ModelScene& scene, QQuick3DObject& parent, QQmlEngine& engine) {
    return SceneObjectMaker(scene, engine).Make(parent);
}

QList<QQuick3DObject*> SceneModels(QQuick3DObject& objects, const char* drawing) {
    QList<QQuick3DObject*> models;
    auto* group = objects.findChild<QQuick3DObject*>(QLatin1String(drawing), Qt::FindDirectChildrenOnly);
    if (group == nullptr) return models;
    for (QObject* child : group->children()) {
        auto* model = qobject_cast<QQuick3DObject*>(child);
        if (model != nullptr && child->property(kSceneMeshProperty).isValid()) models.append(model);
    }
    return models;
}

QQuick3DObject* AddCoarseObjects(QQuick3DObject& objects, const std::vector<std::optional<SceneMesh>>& coarse,
                                 QQmlEngine& engine) {
    const std::unique_ptr<QQmlComponent> node(QuickComponent(engine, "Node"));
    const std::unique_ptr<QQmlComponent> model(QuickComponent(engine, "Model"));
    QQuick3DObject* drawing = CreateBelow(*node, objects);
    drawing->setObjectName(QLatin1String(kCoarseDrawingName));
    for (QQuick3DObject* full : SceneModels(objects, kFullDrawingName)) {
        const QVariant number = full->property(kSceneMeshProperty);
        const std::optional<SceneMesh>& mesh = coarse.at(static_cast<std::size_t>(number.toInt()));
        QQuick3DObject* made = CreateBelow(*model, *drawing);
        made->setProperty(kSceneMeshProperty, number);
        QQmlProperty::write(made, QStringLiteral("geometry"),
                            mesh ? QVariant::fromValue(MakeGeometry(*mesh, *drawing)) : full->property("geometry"));
        // The placements are shared, so that a part picked leaves both drawings alike.
        for (const char* name : {"instancing", "position", "rotation", "scale", "visible"}) made->setProperty(name, full->property(name));
        QQmlListReference from(full, "materials");
        QQmlListReference to(made, "materials");
        for (qsizetype index = 0; index < from.count(); ++index) to.append(from.at(index));
    }
    return drawing;
}

}  // namespace kvstudio
