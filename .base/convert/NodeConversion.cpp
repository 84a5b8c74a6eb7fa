#include <string>
#include <vector>

#include "convert/C3DSImporter.h"
#include "scenefile/StoredText.h"
#include "utils/Format.h"

namespace hollin::importer {
namespace {

// The host reads the 16 values column-major with the translation in values
// 13 to 15, which is where lib3ds keeps it; scaling exactly those three
// moves instances with the unit conversion the way the vertices move.
KVTransformation TransformFromMatrix(const Lib3dsMatrix& matrix, float unitScale) {
    KVTransformation transform{};
    for (std::size_t index = 0; index < 16; ++index) {
        const float value = matrix[index / 4][index % 4];
        const bool isTranslation = index >= 12 && index <= 14;
        transform.values[index] = static_cast<double>(isTranslation ? value * unitScale : value);
    }
    return transform;
}

void PlaceInstance(KVComponentDefinitionRef definition, KVEntitiesRef entities, const KVTransformation& transform) {
    KVComponentInstanceRef instance{};
    KVComponentDefinitionCreateInstance(definition, &instance);
    KVEntitiesAddInstance(entities, instance, nullptr);
    KVComponentInstanceSetTransform(instance, &transform);
}

KVComponentDefinitionRef AddDefinition(KVModelRef model, const std::string& name) {
    KVComponentDefinitionRef definition{};
    KVComponentDefinitionCreate(&definition);
    KVComponentDefinitionSetName(definition, name.c_str());
    KVModelAddComponentDefinitions(model, 1, &definition);
    return definition;
}

// Frees a mesh's lists, which a large scene holds as much memory in as its model.
void FreeMeshLists(Lib3dsMesh* mesh) {
    lib3ds_mesh_free_face_list(mesh);
    lib3ds_mesh_free_point_list(mesh);
    lib3ds_mesh_free_texel_list(mesh);
    lib3ds_mesh_free_flag_list(mesh);
}

}  // namespace

std::int32_t C3DSImporter::ConvertNodeTree(KVModelRef model, Lib3dsNode* node) {
    if (node == nullptr) return -1;
    if (node->type == LIB3DS_OBJECT_NODE) ConvertObjectNode(model, node);

    // Depth first, a node before its children, without using the call stack:
    // each entry is the next child still to visit at one level of the tree.
    std::vector<Lib3dsNode*> nextChildren{node->childs};
    while (!nextChildren.empty()) {
        Lib3dsNode* child = nextChildren.back();
        if (child == nullptr || IsCancelled()) {
            nextChildren.pop_back();
            continue;
        }
        nextChildren.back() = child->next;
        if (child->type == LIB3DS_OBJECT_NODE) ConvertObjectNode(model, child);
        nextChildren.push_back(child->childs);
    }
    return 0;
}

void C3DSImporter::ConvertObjectNode(KVModelRef model, Lib3dsNode* node) {
    ++nodeCount_;
    const KVComponentDefinitionRef definition = AddDefinition(model, StoredText(node->name));
    const KVTransformation transform = TransformFromMatrix(node->matrix, unitScale_);

    if (Lib3dsMesh* mesh = sceneNames_->MeshOfNode(*node)) {
        BuildMeshGeometry(definition, mesh);
        ReleaseMeshAfterLastNode(mesh);
    }

    KVEntitiesRef modelEntities{};
    KVModelGetEntities(model, &modelEntities);
    PlaceInstance(definition, modelEntities, transform);
}

// A mesh is read only by the nodes that show it and, when no node built a mesh
// with points, by the conversion without nodes. Once its last node has built
// its copy, a mesh with points is never read again.
void C3DSImporter::ReleaseMeshAfterLastNode(Lib3dsMesh* mesh) {
    if (mesh->points == 0 || ++meshBuilds_[mesh] < sceneNames_->NodesShowing(mesh)) return;
    FreeMeshLists(mesh);
}

// Once nodes have built a mesh with points, the conversion without nodes
// does not run, and the meshes no node showed are never read.
void C3DSImporter::ReleaseMeshesNoNodeShowed() {
    for (Lib3dsMesh* mesh = scene_->meshes; mesh != nullptr; mesh = mesh->next) {
        if (sceneNames_->NodesShowing(mesh) == 0) FreeMeshLists(mesh);
    }
}

void C3DSImporter::ConvertMeshesWithoutNodes(KVModelRef model, KVEntitiesRef modelEntities) {
    ReportProgress(40.0, hollin::utils::Formatted(progressMessages_[ParsingMesh],
                                                  StoredTextUtf16(scene_->meshes->name)));
    for (Lib3dsMesh* mesh = scene_->meshes; mesh != nullptr; mesh = mesh->next) {
        if (IsCancelled()) break;
        const KVComponentDefinitionRef definition = AddDefinition(model, StoredText(mesh->name));
        BuildMeshGeometry(definition, mesh);
        FreeMeshLists(mesh);  // the conversion without nodes builds each mesh once
        PlaceInstance(definition, modelEntities, TransformFromMatrix(mesh->matrix, unitScale_));
    }
}

}  // namespace hollin::importer
