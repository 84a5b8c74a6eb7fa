// Feeds arbitrary bytes to the model-file reader the way kvinfo meets a
// file: opened through the C API and summarised, bounds and all. A file
// either loads into a model that holds together or is refused with a verdict
// that says why; it never crashes, hangs or reads outside the bytes it was
// given. Its outline, which kvstudio lists, is read too: of a file that
// loads, it says what the model holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "EntitiesCheck.h"
#include "FuzzInput.h"
#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileOutline.h"
#include "ModelSummary.h"

namespace {

void RequireOutlineOf(const korvanta::Model& model, const std::string& path) {
    korvanta::ModelOutline outline;
    bool same = korvanta::LoadModelOutline(path, outline) == KV_SUCCESS &&
                outline.materials.size() == model.materials.size() &&
                outline.definitions.size() == model.definitions.size() &&
                outline.entities.faces == model.entities.faces.size() &&
                outline.entities.placed.size() == model.entities.instances.size();
    for (std::size_t i = 0; same && i < model.definitions.size(); ++i) {
        same = outline.definitions[i].entities.faces == model.definitions[i]->entities.faces.size() &&
               outline.definitions[i].entities.placed.size() == model.definitions[i]->entities.instances.size();
    }
    if (!same) Fail("The outline does not say what the model holds");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (KVInitialize() != KV_SUCCESS) Fail("The modelling library does not start");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputFile(data, size);
    KVModelRef model{nullptr};
    KVModelFileVerdict verdict{};
    const KVResult result = KVModelCreateFromFile(&model, path.c_str(), &verdict);
    if ((result == KV_SUCCESS) != (verdict.fault == KV_MODEL_FILE_SOUND) ||
        verdict.member[sizeof verdict.member - 1] != '\0') {
        Fail("The verdict does not match the result " + std::to_string(result) + ": fault " + std::to_string(verdict.fault));
    }
    if (result == KV_SUCCESS) {
        const std::string fault = korvanta::CheckEntities(*static_cast<const korvanta::Model*>(model.ptr));
        if (!fault.empty()) Fail("The model read does not hold together: " + fault);
        kvinfo::SummarizeModel(model).dump();
        RequireOutlineOf(*static_cast<const korvanta::Model*>(model.ptr), path);
        KVModelRelease(&model);
    } else {
        korvanta::ModelOutline outline;
        korvanta::LoadModelOutline(path, outline);
    }
    return 0;
}
