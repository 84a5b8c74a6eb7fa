#include "FreedMemory.h"

#include <malloc.h>

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

}  // namespace kvhost
