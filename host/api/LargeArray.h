#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace korvanta {

// Allocates arrays of many megabytes on huge pages where the system offers
// them. Fills and merges of millions of faces fill such arrays once, and
// faulting them in a page of a few kilobytes at a time costs more than the
// work done in them.
template <typename T>
struct LargeArrayAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    LargeArrayAllocator() = default;
    template <typename U>
    explicit LargeArrayAllocator(const LargeArrayAllocator<U>&) {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kHugePage) return static_cast<T*>(::operator new(bytes));
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* block = std::aligned_alloc(kHugePage, rounded);
        if (block == nullptr) throw std::bad_alloc();
        madvise(block, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t count) {
        if (count * sizeof(T) < kHugePage) {
            ::operator delete(block);
        } else {
            std::free(block);
        }
    }

    template <typename U>
    bool operator==(const LargeArrayAllocator<U>&) const {
        return true;
    }
};

template <typename T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;

// The same for an array the model owns, reserved but not yet written: only
// the whole huge pages inside it can be advised.
inline void AdviseHugePages(const void* begin, std::size_t bytes) {
    constexpr std::uintptr_t kHugePage = LargeArrayAllocator<char>::kHugePage;
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + kHugePage - 1) & ~(kHugePage - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(kHugePage - 1);
    if (first < last) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace korvanta
