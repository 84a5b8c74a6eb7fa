// Feeds arbitrary bytes to the model-file reader the way kvinfo meets a
// file: opened through the C API and summarised, bounds and all. A file
// either loads into a model that holds together or is refused with a verdict
// that says why; it never crashes, hangs or reads outside the bytes it was
// given. Its outline, which kvstudio lists, is read too: of a file that
// loads, it says what the model holds.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "EntitiesCheck.h"
#include "KorvantaAPI.h"
#include "Model.h"
#include "ModelFileOutline.h"
#include "ModelSummary.h"

namespace {

// The input goes into an in-memory file, so that the reader's own file
// handling runs too without touching the disk.
const std::string& InputPath() {
    static const std::string path = [] {
        const int descriptor = memfd_create("model.kvm", MFD_CLOEXEC);
        if (descriptor < 0 || KVInitialize() != KV_SUCCESS) std::abort();
        return "/proc/self/fd/" + std::to_string(descriptor);
    }();
    return path;
}

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
    if (!same) {
        std::fprintf(stderr, "The outline does not say what the model holds\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    const int descriptor = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    KVModelRef model{nullptr};
    KVModelFileVerdict verdict{};
    const KVResult result = KVModelCreateFromFile(&model, path.c_str(), &verdict);
    if ((result == KV_SUCCESS) != (verdict.fault == KV_MODEL_FILE_SOUND) ||
        verdict.member[sizeof verdict.member - 1] != '\0') {
        std::fprintf(stderr, "The verdict does not match the result %d: fault %d\n", result, verdict.fault);
        std::abort();
    }
    if (result == KV_SUCCESS) {
        const std::string fault = korvanta::CheckEntities(*static_cast<const korvanta::Model*>(model.ptr));
        if (!fault.empty()) {
            std::fprintf(stderr, "The model read does not hold together: %s\n", fault.c_str());
            std::abort();
        }
        kvinfo::SummarizeModel(model).dump();
        RequireOutlineOf(*static_cast<const korvanta::Model*>(model.ptr), path);
        KVModelRelease(&model);
    } else {
        korvanta::ModelOutline outline;
        korvanta::LoadModelOutline(path, outline);
    }
    return 0;
}
