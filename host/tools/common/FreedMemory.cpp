#include "FreedMemory.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "utils/RunningProgram.h"

namespace kvhost {

// An import frees the 3DS scene mesh by mesh while the model grows by as
// much. Large blocks come from the heap and freed memory stays there, so
// that the model reuses the scene's pages instead of having the system hand
// out and clear fresh ones, which costs more than the work done in them.
void KeepFreedMemoryForReuse() {
    constexpr int kLargestHeapBlock = 32 << 20;  // the most the allocator accepts
    constexpr int kNeverTrim = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kNeverTrim);
}

void ReturnFreedMemory() {
    malloc_trim(0);
}

// A large import faults in its memory a few hundred thousand pages at a
// time, and on a virtual machine each fault costs microseconds; a huge page
// is one fault for 2 MiB. glibc advises the kernel so for the memory it adds
// to the heap when its tunable says so, and reads tunables only at start-up.
void GrowTheHeapOnHugePages(char** argv) {
    constexpr const char* kTunable = "glibc.malloc.hugetlb=1";
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables != nullptr && std::string(tunables).find("glibc.malloc.hugetlb") != std::string::npos) return;
    const std::string value = tunables == nullptr || *tunables == '\0' ? kTunable : std::string(tunables) + ":" + kTunable;
    // Started through the loader, the program is not started again: the
    // loader's own options would be lost, and /proc/self/exe is the loader,
    // which would take the first argument for the program to run.
    const std::filesystem::path& self = hollin::utils::RunningProgramPath();
    if (hollin::utils::StartedThroughTheLoader() || self.empty()) return;
    if (::setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    ::execv(self.c_str(), argv);
}

}  // namespace kvhost
