#pragma once

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstdint>
#include <string_view>
#include <unordered_map>

namespace hollin::importer {

// Meshes and materials of a loaded scene by name, found as
// lib3ds_file_mesh_by_name and lib3ds_file_material_by_name find them (the
// first of a name in list order) but without walking the lists each time: a
// scene may have tens of thousands of materials and nodes.
class SceneNames {
public:
    explicit SceneNames(const Lib3dsFile& scene);

    Lib3dsMesh* Mesh(std::string_view name) const;
    Lib3dsMaterial* Material(std::string_view name) const;
    // The mesh an object node shows: the one its morph names, else the one of
    // its own name.
    Lib3dsMesh* MeshOfNode(const Lib3dsNode& node) const;
    // How many object nodes of the tree show the mesh; each builds a copy.
    std::uint32_t NodesShowing(const Lib3dsMesh* mesh) const;

private:
    std::unordered_map<std::string_view, Lib3dsMesh*> meshes_;
    std::unordered_map<const Lib3dsMesh*, std::uint32_t> nodesShowing_;
    std::unordered_map<std::string_view, Lib3dsMaterial*> materials_;
};

}  // namespace hollin::importer
