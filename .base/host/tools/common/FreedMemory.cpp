#include "FreedMemory.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

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
    // The program's own path rather than /proc/self/exe, which under
    // valgrind names valgrind's tool (valgrind then starts the path itself
    // unless told to follow children; with the tunable set, nothing starts again).
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) return;
    self.resize(static_cast<std::size_t>(length));
    if (::setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    ::execv(self.c_str(), argv);
}

}  // namespace kvhost
