// Feeds arbitrary bytes to the library's reader of a model file's view
// scene. Viewers meet only files the modelling library wrote, but the
// reader must hold on any bytes all the same: a file either gives a scene
// that holds together (ViewSceneCheck.h) or a verdict saying why not; it
// never crashes, hangs or reads outside the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "ViewScene.h"
#include "ViewSceneCheck.h"
#include "ViewerDemand.h"

namespace {

// What a scene read may take, at rates near a viewer's: a scene of more is
// refused before it is built, which keeps each run quick.
constexpr korvanta::ViewerRates kFuzzRates{.bytesPerPlacement = 400, .bytesPerTriangle = 80, .baseBytes = 0};
constexpr std::uint64_t kFuzzMemory = std::uint64_t{256} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    korvanta::ViewScene scene;
    const korvanta::ViewSceneVerdict verdict = korvanta::ReadViewScene(InputFile(data, size), kFuzzRates, kFuzzMemory, scene);
    if (verdict.fault != korvanta::ViewSceneFault::None) return 0;
    if (const std::string fault = korvanta::CheckViewScene(scene); !fault.empty()) {
        Fail("The scene read does not hold together: " + fault);
    }
    return 0;
}
