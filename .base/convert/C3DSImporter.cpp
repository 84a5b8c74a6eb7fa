#include "convert/C3DSImporter.h"

#include <lib3ds/camera.h>

#include "scenefile/SceneFile.h"
#include "scenefile/StoredText.h"
#include "settings/LengthUnits.h"
#include "utils/Format.h"
#include "utils/Paths.h"

namespace hollin::importer {

using hollin::utils::Formatted;

C3DSImporter::C3DSImporter() = default;

C3DSImporter::~C3DSImporter() {
    if (scene_ != nullptr) lib3ds_file_free(scene_);
}

float C3DSImporter::GetUnitScale(std::int32_t unitsOption, float masterScale) {
    return static_cast<float>(hollin::settings::InchesPerFileUnit(unitsOption, masterScale));
}

bool C3DSImporter::ConvertFile(const Utf16String& inputPath, const Utf16String& outputPath,
                               hollin::utils::IProgressCallback* progress) {
    KVInitialize();
    totalFaceCount_ = 0;
    materialCount_ = 0;
    nodeCount_ = 0;
    meshCount_ = 0;
    facesProcessed_ = 0;
    progress_ = progress;
    textureFolder_ = hollin::utils::GetFolderOfPath(inputPath);

    ReportProgress(10.0, progressMessages_[ParsingFile]);
    scene_ = LoadScene(inputPath);
    const bool loaded = scene_ != nullptr;
    if (!loaded) {
        RecordError(OpenFile, inputPath);
    } else {
        // Running out of memory half-way costs the model, never the host.
        try {
            ConvertLoadedScene(outputPath);
        } catch (...) {
        }
        sceneNames_.reset();
        meshBuilds_.clear();
        lib3ds_file_free(scene_);
        scene_ = nullptr;
    }

    if (!IsCancelled()) ReportProgress(99.0, progressMessages_[CleaningUp]);
    materialMap_.clear();
    KVTerminate();
    return loaded;
}

void C3DSImporter::ConvertLoadedScene(const Utf16String& outputPath) {
    sceneNames_.emplace(*scene_);
    unitScale_ = GetUnitScale(settings_.units, scene_->master_scale);
    KVModelRef model{};
    KVModelCreate(&model);
    KVEntitiesRef modelEntities{};
    KVModelGetEntities(model, &modelEntities);

    ReportProgress(20.0, progressMessages_[ParsingCameras]);
    for (Lib3dsCamera* camera = scene_->cameras; camera != nullptr; camera = camera->next) {
        if (IsCancelled()) break;
        ReportProgress(-1.0, Formatted(progressMessages_[ParsingCamera], StoredTextUtf16(camera->name)));
    }

    ReportProgress(30.0, progressMessages_[ParsingMaterials]);
    textureSearch_.emplace(textureFolder_.ToUtf8(), settings_.textureFolders);
    for (Lib3dsMaterial* material = scene_->materials; material != nullptr; material = material->next) {
        if (IsCancelled()) break;
        const Utf16String name = StoredTextUtf16(material->name);
        ReportProgress(-1.0, Formatted(progressMessages_[ParsingMaterial], name));
        if (ConvertMaterial(model, material) < 0) RecordError(Material, name);
    }
    textureSearch_.reset();

    std::int64_t faceSum = 0;
    for (const Lib3dsMesh* mesh = scene_->meshes; mesh != nullptr; mesh = mesh->next) faceSum += mesh->faces;
    totalFaceCount_ = static_cast<std::int32_t>(faceSum);

    ReportProgress(40.0, progressMessages_[ParsingNodes]);
    for (Lib3dsNode* node = scene_->nodes; node != nullptr; node = node->next) {
        if (IsCancelled()) break;
        ReportProgress(-1.0, Formatted(progressMessages_[ParsingNode], StoredTextUtf16(node->name)));
        ConvertNodeTree(model, node);
    }

    if (meshCount_ == 0 && scene_->meshes != nullptr) ConvertMeshesWithoutNodes(model, modelEntities);
    if (meshCount_ != 0) ReleaseMeshesNoNodeShowed();

    if (settings_.mergeCoplanarFaces) KVModelMergeCoplanarFaces(model);
    KVModelSaveToFile(model, outputPath.ToUtf8().c_str());
    KVModelRelease(&model);
}

void C3DSImporter::RecordError(ImportErrorKind kind, const Utf16String& name) {
    errors_.push_back(ImportError{kind, name});
}

void C3DSImporter::ReportProgress(double percent, const Utf16String& message) {
    if (progress_ == nullptr || progress_->IsCancelled()) return;
    // A negative percent sends the message alone; NaN counts as negative.
    if (percent >= 0.0) progress_->SetPercent(percent);
    progress_->SetMessage(message.CStr());
}

bool C3DSImporter::IsCancelled() { return progress_ != nullptr && progress_->IsCancelled(); }

}  // namespace hollin::importer
