#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <string>

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include "KorvantaAPI.h"
#include "convert/ImportReport.h"
#include "scenefile/SceneNames.h"
#include "settings/ImportSettings.h"
#include "settings/TextureSearch.h"
#include "utils/IProgressCallback.h"
#include "utils/Utf16String.h"

namespace hollin::importer {

// Index of each progress text in the table the importer hands over.
enum ProgressMessage : std::size_t {
    ParsingFile = 0,
    ParsingCameras,
    ParsingCamera,
    ParsingMaterials,
    ParsingMaterial,
    ParsingNodes,
    ParsingNode,
    ParsingMesh,
    CleaningUp,
    BuildingMesh,
    ProgressMessageCount,
};

using ProgressMessageTable = std::array<Utf16String, ProgressMessageCount>;

// Turns one 3DS file into one saved host model. One converter serves one
// ConvertFile call.
class C3DSImporter {
public:
    C3DSImporter();
    virtual ~C3DSImporter();
    C3DSImporter(const C3DSImporter&) = delete;
    C3DSImporter& operator=(const C3DSImporter&) = delete;

    void SetSettings(hollin::settings::ImportSettings settings) { settings_ = std::move(settings); }
    void SetProgressMessages(const ProgressMessageTable& messages) { progressMessages_ = messages; }

    // True when the 3DS file loaded (a model was then built and saved).
    bool ConvertFile(const Utf16String& inputPath, const Utf16String& outputPath,
                     hollin::utils::IProgressCallback* progress);

    std::int32_t MaterialCount() const { return materialCount_; }
    std::int32_t NodeCount() const { return nodeCount_; }
    std::int32_t MeshCount() const { return meshCount_; }
    const ImportErrorList& Errors() const { return errors_; }

    // Inches per file unit for a units setting; `masterScale` for 0 and any unknown setting.
    static float GetUnitScale(std::int32_t unitsOption, float masterScale);

private:
    std::int32_t ConvertMaterial(KVModelRef model, Lib3dsMaterial* material);
    std::int32_t BuildMeshGeometry(KVComponentDefinitionRef definition, Lib3dsMesh* mesh);
    std::int32_t ConvertNodeTree(KVModelRef model, Lib3dsNode* node);
    void ConvertObjectNode(KVModelRef model, Lib3dsNode* node);
    void ConvertLoadedScene(const Utf16String& outputPath);
    void ReleaseMeshAfterLastNode(Lib3dsMesh* mesh);
    void ReleaseMeshesNoNodeShowed();
    void ConvertMeshesWithoutNodes(KVModelRef model, KVEntitiesRef modelEntities);
    void RecordError(ImportErrorKind kind, const Utf16String& name);
    void ReportProgress(double percent, const Utf16String& message);
    bool IsCancelled();

    hollin::utils::IProgressCallback* progress_ = nullptr;
    Utf16String textureFolder_;
    std::optional<hollin::settings::TextureSearch> textureSearch_;  // while materials are converted
    std::map<std::string, KVMaterialRef> materialMap_;
    ImportErrorList errors_;
    ProgressMessageTable progressMessages_;
    Lib3dsFile* scene_ = nullptr;
    std::optional<SceneNames> sceneNames_;  // while the scene is loaded
    std::unordered_map<const Lib3dsMesh*, std::uint32_t> meshBuilds_;  // by nodes, while the scene is loaded
    float unitScale_ = 1.0f;
    std::int32_t totalFaceCount_ = 0;
    std::int32_t materialCount_ = 0;
    std::int32_t nodeCount_ = 0;
    std::int32_t meshCount_ = 0;
    std::int32_t facesProcessed_ = 0;
    hollin::settings::ImportSettings settings_;
};

}  // namespace hollin::importer
