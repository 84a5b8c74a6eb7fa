// Feeds arbitrary bytes to the library's reader of a model file's view
// scene. Viewers meet only files the modelling library wrote, but the
// reader must hold on any bytes all the same: a file either gives a scene
// that holds together (ViewSceneCheck.h) or a verdict saying why not; it
// never crashes, hangs or reads outside the bytes it was given.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ViewScene.h"
#include "ViewSceneCheck.h"
#include "ViewerDemand.h"

namespace {

// What a scene read may take, at rates near a viewer's: a scene of more is
// refused before it is built, which keeps each run quick.
constexpr korvanta::ViewerRates kFuzzRates{.bytesPerPlacement = 400, .bytesPerTriangle = 80, .baseBytes = 0};
constexpr std::uint64_t kFuzzMemory = std::uint64_t{256} << 20;

// The input goes into an in-memory file, so that the reader's own file
// handling runs too without touching the disk.
const std::string& InputPath() {
    static const std::string path = [] {
        const int descriptor = memfd_create("model.kvm", MFD_CLOEXEC);
        if (descriptor < 0) std::abort();
        return "/proc/self/fd/" + std::to_string(descriptor);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    const int descriptor = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    korvanta::ViewScene scene;
    const korvanta::ViewSceneVerdict verdict = korvanta::ReadViewScene(path, kFuzzRates, kFuzzMemory, scene);
    if (verdict.fault != korvanta::ViewSceneFault::None) return 0;
    if (const std::string fault = korvanta::CheckViewScene(scene); !fault.empty()) {
        std::fprintf(stderr, "The scene read does not hold together: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
