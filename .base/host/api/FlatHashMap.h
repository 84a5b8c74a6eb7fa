#pragma once

// An open-addressing hash map from 64-bit keys to 32-bit values. Fills and
// merges hash millions of edges and vertex cells; node-based maps spend most
// of that time allocating.

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace korvanta {

class FlatHashMap {
public:
    static constexpr std::uint64_t kEmptyKey = std::numeric_limits<std::uint64_t>::max();

    explicit FlatHashMap(std::size_t expectedSize = 0) { Rehash(CapacityFor(expectedSize)); }

    const std::uint32_t* Find(std::uint64_t key) const {
        for (std::size_t slot = SlotOf(key);; slot = (slot + 1) & mask_) {
            if (slots_[slot].key == key) return &slots_[slot].value;
            if (slots_[slot].key == kEmptyKey) return nullptr;
        }
    }

    // Returns the value stored under `key` and whether it was inserted now.
    std::pair<std::uint32_t*, bool> Insert(std::uint64_t key, std::uint32_t value) {
        if ((size_ + 1) * 2 > slots_.size()) Rehash(slots_.size() * 2);
        for (std::size_t slot = SlotOf(key);; slot = (slot + 1) & mask_) {
            if (slots_[slot].key == key) return {&slots_[slot].value, false};
            if (slots_[slot].key == kEmptyKey) {
                slots_[slot] = {key, value};
                ++size_;
                return {&slots_[slot].value, true};
            }
        }
    }

    std::size_t Size() const { return size_; }

private:
    // Key and value side by side, so a lookup touches one cache line.
    struct Slot {
        std::uint64_t key = kEmptyKey;
        std::uint32_t value = 0;
    };

    static std::size_t CapacityFor(std::size_t expectedSize) {
        std::size_t capacity = 16;
        while (capacity < expectedSize * 2) capacity *= 2;
        return capacity;
    }

    std::size_t SlotOf(std::uint64_t key) const {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        key *= 0xc4ceb9fe1a85ec53ULL;
        key ^= key >> 33;
        return static_cast<std::size_t>(key) & mask_;
    }

    void Rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        mask_ = capacity - 1;
        size_ = 0;
        for (const Slot& slot : old) {
            if (slot.key != kEmptyKey) Insert(slot.key, slot.value);
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

// Key of an undirected edge between two vertices.
inline std::uint64_t EdgeKey(std::uint32_t a, std::uint32_t b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(a) << 32) | b;
}

}  // namespace korvanta
