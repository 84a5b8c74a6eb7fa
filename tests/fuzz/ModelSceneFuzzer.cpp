// Feeds arbitrary bytes to kvstudio's reader of what the view draws. The
// view meets only files the modelling library wrote, but its reader must
// hold on any bytes all the same: a file either gives a scene whose every
// number names something there is, or the reason it cannot be drawn; it
// never crashes, hangs or reads outside the bytes it was given.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SceneInvariants.h"

namespace {

// The input goes into an in-memory file, so that the reader's own file
// handling runs too without touching the disk.
int InputFile() {
    static const int descriptor = memfd_create("model.kvm", MFD_CLOEXEC);
    if (descriptor < 0) std::abort();
    return descriptor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int descriptor = InputFile();
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const kvstudio::ModelScene scene =
        kvstudio::ReadModelScene(QString::fromStdString("/proc/self/fd/" + std::to_string(descriptor)), kvtest::kFuzzImageBytes);
    if (scene.whyNotDrawn.isEmpty() && !kvtest::HoldsTogether(scene)) {
        std::fprintf(stderr, "The scene read does not hold together\n");
        std::abort();
    }
    return 0;
}
