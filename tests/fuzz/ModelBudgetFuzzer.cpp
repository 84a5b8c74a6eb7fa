// Feeds arbitrary bytes to the model reader's budget and to the view's. A
// file the library accepts asks for no more than the budget it computed:
// its placements stay within what the instance graph allows, the model
// holds together, and, written anew as kvstudio writes every file it opens,
// its outline gives the view's budget and its view scene holds together
// with no more placements than were counted. A file refused for its demand says
// what it needs as the rates give it. Seeded with the doubling and image
// models (make_model_bombs) in tests/fuzz/corpus/budgets.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "EntitiesCheck.h"
#include "FuzzInput.h"
#include "InstanceGraph.h"
#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileOutline.h"
#include "TemporaryFolder.h"
#include "ViewScene.h"
#include "ViewSceneCheck.h"
#include "ViewerDemand.h"

namespace {

// Scenes of more placements are left to the budget's own check: reading them
// under the sanitizers would take the run's time.
constexpr std::uint64_t kMostPlacementsRead = std::uint64_t{1} << 16;

// Where the model is written anew: a folder of its own, as kvstudio's scratch folder.
const std::filesystem::path& CopyPath() {
    static const TemporaryFolder folder;
    static const std::filesystem::path path = folder / "copy.kvm";
    return path;
}

void CheckTheView(const korvanta::ViewerDemand& demand) {
    korvanta::ModelOutline outline;
    if (korvanta::LoadModelOutline(CopyPath().string(), outline) != KV_SUCCESS) Fail("The copy's outline cannot be read");
    const korvanta::ViewerDemand outlined = korvanta::ViewerDemandOf(outline);
    if (outlined.placements != demand.placements || outlined.triangles != demand.triangles) {
        Fail("The copy's outline counts other placements or triangles than the model");
    }
    // Rates of a byte each, and all the memory there could be: the demand is checked above.
    constexpr korvanta::ViewerRates kCounting{.bytesPerPlacement = 1, .bytesPerTriangle = 1, .baseBytes = 0};
    korvanta::ViewScene scene;
    const korvanta::ViewSceneVerdict verdict =
        korvanta::ReadViewScene(CopyPath().string(), kCounting, std::numeric_limits<std::uint64_t>::max(), scene);
    if (verdict.fault != korvanta::ViewSceneFault::None) Fail("The view cannot draw what the library wrote");
    if (const std::string fault = korvanta::CheckViewScene(scene); !fault.empty()) Fail(fault);
    std::uint64_t placed = 0;
    for (const korvanta::ViewMesh& mesh : scene.meshes) placed += mesh.PlacementCount();
    if (placed > demand.placements + 1) Fail("The view places more than was counted");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (KVInitialize() != KV_SUCCESS) Fail("The modelling library does not start");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    KVModelRef model{nullptr};
    KVModelFileVerdict verdict{};
    const KVResult result = KVModelCreateFromFile(&model, InputFile(data, size).c_str(), &verdict);
    if (verdict.fault == KV_MODEL_FILE_OVER_MEMORY &&
        (verdict.memory_needed <= verdict.memory_available ||
         verdict.memory_needed != korvanta::kModelFileWritingRates.BytesFor({verdict.placements, verdict.triangles}))) {
        Fail("The refusal does not say what the rates give");
    }
    if (result != KV_SUCCESS) return 0;
    const auto& read = *static_cast<const korvanta::Model*>(model.ptr);
    if (const std::string fault = korvanta::CheckEntities(read); !fault.empty()) Fail(fault);
    const korvanta::ViewerDemand demand = korvanta::ViewerDemandOf(read);
    std::uint64_t stored = 0;
    for (const auto& definition : read.definitions) stored += definition->entities.instances.size();
    stored += read.entities.instances.size();
    if (demand.placements > korvanta::kPlacementsAlwaysAllowed + korvanta::kPlacementsPerStoredInstance * stored) {
        Fail("The model read places more than its instances allow");
    }
    if (demand.placements <= kMostPlacementsRead && KVModelSaveToFile(model, CopyPath().c_str()) == KV_SUCCESS) {
        CheckTheView(demand);
    }
    KVModelRelease(&model);
    return 0;
}
