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

void SceneBuilder::AddMaterial(const std::string& name, const Point& diffuse, float transparency,
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
}

Lib3dsMesh* SceneBuilder::NewMesh(const std::string& name, std::span<const Point> points, std::size_t faceCount,
                                  std::span<const Texel> texels) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(name.c_str());
    if (mesh == nullptr || !lib3ds_mesh_new_point_list(mesh, static_cast<Lib3dsDword>(points.size())) ||
        !lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(faceCount)) ||
        (!texels.empty() && !lib3ds_mesh_new_texel_list(mesh, static_cast<Lib3dsDword>(texels.size())))) {
        if (mesh != nullptr) lib3ds_mesh_free(mesh);
        throw std::bad_alloc();
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::copy(points[i].begin(), points[i].end(), mesh->pointL[i].pos);
    }
    for (std::size_t i = 0; i < texels.size(); ++i) {
        mesh->texelL[i][0] = texels[i][0];
        mesh->texelL[i][1] = texels[i][1];
    }
    return mesh;
}

void SceneBuilder::SetFace(Lib3dsFace& face, const Triangle& points, const std::string& materialName) {
    std::copy(points.begin(), points.end(), face.points);
    face.flags = LIB3DS_FACE_FLAG_VIS_AB | LIB3DS_FACE_FLAG_VIS_BC | LIB3DS_FACE_FLAG_VIS_AC;
    CopyName(face.material, materialName);
}

void SceneBuilder::AddMesh(const std::string& name, std::span<const Point> points, std::span<const Triangle> faces,
                           const std::string& materialName, std::span<const Texel> texels) {
    Lib3dsMesh* mesh = NewMesh(name, points, faces.size(), texels);
    for (std::size_t i = 0; i < faces.size(); ++i) SetFace(mesh->faceL[i], faces[i], materialName);
    lib3ds_file_insert_mesh(file_, mesh);
}

void SceneBuilder::AddMesh(const MeshData& data) {
    Lib3dsMesh* mesh = NewMesh(data.name, data.points, data.faces.size(), data.texels);
    for (std::size_t i = 0; i < data.faces.size(); ++i) {
        SetFace(mesh->faceL[i], data.faces[i].points, data.faces[i].material);
    }
    std::copy(data.translation.begin(), data.translation.end(), mesh->matrix[3]);
    lib3ds_file_insert_mesh(file_, mesh);
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
