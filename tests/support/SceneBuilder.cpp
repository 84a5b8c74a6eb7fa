#include "SceneBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>

namespace hollin::samples {

namespace {

// lib3ds keeps names in fixed 64-byte fields; longer names are cut, never overrun.
template <std::size_t Size>
void CopyName(char (&field)[Size], const std::string& name) {
    const std::size_t length = std::min(name.size(), Size - 1);
    std::memcpy(field, name.data(), length);
    field[length] = '\0';
}

}  // namespace

SceneBuilder::SceneBuilder() : file_(lib3ds_file_new()) {
    if (file_ == nullptr) throw std::bad_alloc();
}

SceneBuilder::~SceneBuilder() {
    lib3ds_file_free(file_);
}

SceneBuilder& SceneBuilder::AddMaterial(const std::string& name, const Point& diffuse, float transparency,
                                        const std::string& textureFileName) {
    Lib3dsMaterial* material = lib3ds_material_new();
    if (material == nullptr) throw std::bad_alloc();
    CopyName(material->name, name);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        material->diffuse[channel] = diffuse[channel];
        material->ambient[channel] = diffuse[channel] * 0.5f;
    }
    material->diffuse[3] = 1.0f;
    material->transparency = transparency;
    CopyName(material->texture1_map.name, textureFileName);
    if (!textureFileName.empty()) material->texture1_map.percent = 1.0f;
    lib3ds_file_insert_material(file_, material);
    return *this;
}

void SceneBuilder::SetMapTiling(const std::string& materialName, const Texel& scale, const Texel& offset,
                                float rotation) {
    Lib3dsMaterial* material = lib3ds_file_material_by_name(file_, materialName.c_str());
    if (material == nullptr) throw std::invalid_argument("no material " + materialName);
    std::copy(scale.begin(), scale.end(), material->texture1_map.scale);
    std::copy(offset.begin(), offset.end(), material->texture1_map.offset);
    material->texture1_map.rotation = rotation;
}

void SceneBuilder::AddMesh(const std::string& name, std::span<const Point> points, std::span<const Triangle> faces,
                           const std::string& materialName, std::span<const Texel> texels, std::uint32_t smoothing) {
    MeshData data{name, {points.begin(), points.end()}, {}, {texels.begin(), texels.end()}};
    for (const Triangle& face : faces) data.faces.push_back({face, materialName, smoothing});
    AddMesh(data);
}

SceneBuilder& SceneBuilder::AddMesh(const MeshData& data) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(data.name.c_str());
    if (mesh == nullptr || !lib3ds_mesh_new_point_list(mesh, static_cast<Lib3dsDword>(data.points.size())) ||
        !lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(data.faces.size())) ||
        (!data.texels.empty() && !lib3ds_mesh_new_texel_list(mesh, static_cast<Lib3dsDword>(data.texels.size())))) {
        if (mesh != nullptr) lib3ds_mesh_free(mesh);
        throw std::bad_alloc();
    }
    for (std::size_t i = 0; i < data.points.size(); ++i) std::ranges::copy(data.points[i], mesh->pointL[i].pos);
    for (std::size_t i = 0; i < data.texels.size(); ++i) std::ranges::copy(data.texels[i], mesh->texelL[i]);
    for (std::size_t i = 0; i < data.faces.size(); ++i) {
        Lib3dsFace& face = mesh->faceL[i];
        std::ranges::copy(data.faces[i].points, face.points);
        face.flags = LIB3DS_FACE_FLAG_VIS_AB | LIB3DS_FACE_FLAG_VIS_BC | LIB3DS_FACE_FLAG_VIS_AC;
        CopyName(face.material, data.faces[i].material);
        face.smoothing = data.faces[i].smoothing;
    }
    std::ranges::copy(data.translation, mesh->matrix[3]);
    lib3ds_file_insert_mesh(file_, mesh);
    return *this;
}

Lib3dsNode* SceneBuilder::InsertNode(Lib3dsNode* node, const std::string& name, const Lib3dsNode* parent) {
    if (node == nullptr) throw std::bad_alloc();
    CopyName(node->name, name);
    node->node_id = nextNodeId_++;
    node->parent_id = parent == nullptr ? LIB3DS_NO_PARENT : parent->node_id;
    lib3ds_file_insert_node(file_, node);
    return node;
}

Lib3dsNode* SceneBuilder::AddObjectNode(const std::string& meshName, const Lib3dsNode* parent) {
    Lib3dsNode* node = lib3ds_node_new_object();
    if (node != nullptr) CopyName(node->data.object.instance, meshName);
    return InsertNode(node, meshName, parent);
}

Lib3dsNode* SceneBuilder::AddCameraNode(const std::string& name, const Lib3dsNode* parent) {
    return InsertNode(lib3ds_node_new_camera(), name, parent);
}

void SceneBuilder::AddCamera(const std::string& name, const Point& position, const Point& target) {
    Lib3dsCamera* camera = lib3ds_camera_new(name.c_str());
    if (camera == nullptr) throw std::bad_alloc();
    std::copy(position.begin(), position.end(), camera->position);
    std::copy(target.begin(), target.end(), camera->target);
    camera->fov = 45.0f;
    lib3ds_file_insert_camera(file_, camera);
}

void SceneBuilder::SetMasterScale(float scale) {
    file_->master_scale = scale;
}

bool SceneBuilder::Save(const std::string& path) const {
    // Written beside the target and renamed over it, so a reader never sees half a scene.
    const std::string temporaryPath = path + ".partial";
    if (lib3ds_file_save(file_, temporaryPath.c_str()) == LIB3DS_FALSE) {
        std::remove(temporaryPath.c_str());
        return false;
    }
    return std::rename(temporaryPath.c_str(), path.c_str()) == 0;
}

}  // namespace hollin::samples
