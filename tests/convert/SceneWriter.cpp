#include "SceneWriter.h"

#include <lib3ds/camera.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstring>
#include <stdexcept>

namespace hollin::importer::testing {
namespace {

template <std::size_t Capacity>
void CopyName(char (&target)[Capacity], const std::string& name) {
    if (name.size() >= Capacity) throw std::length_error("3DS name too long: " + name);
    std::memcpy(target, name.c_str(), name.size() + 1);
}

}  // namespace

MeshSpec StripMesh(const std::string& name, std::size_t faceCount, const std::string& material) {
    MeshSpec mesh{name, {}, {}, {}, {}};
    for (std::size_t index = 0; index < faceCount + 2; ++index) {
        mesh.points.push_back({static_cast<float>(index / 2), static_cast<float>(index % 2), 0.0f});
    }
    for (std::size_t index = 0; index < faceCount; ++index) {
        const auto first = static_cast<std::uint16_t>(index);
        mesh.faces.push_back({first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2),
                              material});
    }
    return mesh;
}

SceneWriter::SceneWriter() : file_(lib3ds_file_new()) {}

SceneWriter::~SceneWriter() { lib3ds_file_free(file_); }

SceneWriter& SceneWriter::MasterScale(float scale) {
    file_->master_scale = scale;
    return *this;
}

SceneWriter& SceneWriter::AddCamera(const std::string& name) {
    lib3ds_file_insert_camera(file_, lib3ds_camera_new(name.c_str()));
    return *this;
}

SceneWriter& SceneWriter::AddMaterial(const std::string& name, std::array<float, 4> diffuse, float transparency,
                                      const std::string& texture) {
    Lib3dsMaterial* material = lib3ds_material_new();
    CopyName(material->name, name);
    for (std::size_t index = 0; index < 4; ++index) material->diffuse[index] = diffuse[index];
    material->transparency = transparency;
    CopyName(material->texture1_map.name, texture);
    lib3ds_file_insert_material(file_, material);
    return *this;
}

SceneWriter& SceneWriter::AddMesh(const MeshSpec& spec) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(spec.name.c_str());
    lib3ds_mesh_new_point_list(mesh, static_cast<Lib3dsDword>(spec.points.size()));
    for (std::size_t index = 0; index < spec.points.size(); ++index) {
        for (std::size_t axis = 0; axis < 3; ++axis) mesh->pointL[index].pos[axis] = spec.points[index][axis];
    }
    lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(spec.faces.size()));
    for (std::size_t index = 0; index < spec.faces.size(); ++index) {
        Lib3dsFace& face = mesh->faceL[index];
        face.points[0] = spec.faces[index].a;
        face.points[1] = spec.faces[index].b;
        face.points[2] = spec.faces[index].c;
        CopyName(face.material, spec.faces[index].material);
    }
    if (!spec.texels.empty()) {
        lib3ds_mesh_new_texel_list(mesh, static_cast<Lib3dsDword>(spec.texels.size()));
        for (std::size_t index = 0; index < spec.texels.size(); ++index) {
            mesh->texelL[index][0] = spec.texels[index][0];
            mesh->texelL[index][1] = spec.texels[index][1];
        }
    }
    for (std::size_t axis = 0; axis < 3; ++axis) mesh->matrix[3][axis] = spec.translation[axis];
    lib3ds_file_insert_mesh(file_, mesh);
    return *this;
}

SceneWriter& SceneWriter::AddObjectNode(const std::string& name, int parent) {
    return InsertNode(lib3ds_node_new_object(), name, parent);
}

SceneWriter& SceneWriter::AddCameraNode(const std::string& name, int parent) {
    return InsertNode(lib3ds_node_new_camera(), name, parent);
}

SceneWriter& SceneWriter::InsertNode(Lib3dsNode* node, const std::string& name, int parent) {
    CopyName(node->name, name);
    node->node_id = static_cast<Lib3dsWord>(nextNodeId_++);
    node->parent_id = parent < 0 ? LIB3DS_NO_PARENT : static_cast<Lib3dsWord>(parent);
    lib3ds_file_insert_node(file_, node);
    return *this;
}

void SceneWriter::Save(const std::filesystem::path& path) const {
    if (!lib3ds_file_save(file_, path.c_str())) throw std::runtime_error("lib3ds could not write " + path.string());
}

}  // namespace hollin::importer::testing
