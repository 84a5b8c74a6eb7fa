#pragma once

// The loops callers are still building. A caller creates a loop, fills it and
// hands it to a face, once for every one of millions of faces; so loops are
// recycled from a few slabs instead of allocated one by one, and a reference is
// checked against the slabs instead of a hash table of every live object.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "ObjectRegistry.h"

namespace korvanta {

struct LoopInput {
    std::vector<std::size_t> vertexIndices;
};

template <>
class ObjectRegistry<LoopInput> {
public:
    LoopInput* Create() {
        if (free_.empty()) AddSlab();
        Slot* slot = free_.back();
        free_.pop_back();
        slot->live = true;
        slot->loop.vertexIndices.clear();  // keeps its room: most loops are as long as the last
        lastSlot_ = slot;
        return &slot->loop;
    }

    LoopInput* Find(const void* pointer) const {
        Slot* slot = SlotAt(pointer);
        return slot != nullptr && slot->live ? &slot->loop : nullptr;
    }

    // Returns the loop to the pool; its reference no longer names a live object.
    void Forget(const LoopInput* loop) {
        Slot* slot = SlotAt(loop);
        if (slot == nullptr || !slot->live) return;
        slot->live = false;
        free_.push_back(slot);
    }

    void Clear() {
        slabs_.clear();
        free_.clear();
        capacity_ = 0;
        lastSlot_ = nullptr;
    }

private:
    struct Slot {
        LoopInput loop;
        bool live = false;
    };
    struct Slab {
        std::uintptr_t begin = 0, end = 0;
        std::unique_ptr<Slot[]> slots;
    };

    static bool BeginsAfter(std::uintptr_t address, const Slab& slab) { return address < slab.begin; }

    // A caller makes a loop and then names it in the calls that fill it and
    // hand it to a face: the loop made last is looked at before the slabs.
    Slot* SlotAt(const void* pointer) const {
        if (lastSlot_ != nullptr && pointer == &lastSlot_->loop) return lastSlot_;
        const auto address = reinterpret_cast<std::uintptr_t>(pointer);
        const auto after = std::upper_bound(slabs_.begin(), slabs_.end(), address, BeginsAfter);
        if (after == slabs_.begin()) return nullptr;
        const Slab& slab = *std::prev(after);
        if (address >= slab.end) return nullptr;
        Slot* slot = &slab.slots[(address - slab.begin) / sizeof(Slot)];
        return reinterpret_cast<std::uintptr_t>(&slot->loop) == address ? slot : nullptr;
    }

    // Doubles the pool; slabs stay sorted by address for SlotAt.
    void AddSlab() {
        const std::size_t count = std::max<std::size_t>(capacity_, 16);
        Slab slab;
        slab.slots = std::make_unique<Slot[]>(count);
        slab.begin = reinterpret_cast<std::uintptr_t>(slab.slots.get());
        slab.end = slab.begin + count * sizeof(Slot);
        for (std::size_t i = count; i-- > 0;) free_.push_back(&slab.slots[i]);
        const auto at = std::upper_bound(slabs_.begin(), slabs_.end(), slab.begin, BeginsAfter);
        slabs_.insert(at, std::move(slab));
        capacity_ += count;
    }

    std::vector<Slab> slabs_;
    std::vector<Slot*> free_;
    std::size_t capacity_ = 0;
    Slot* lastSlot_ = nullptr;
};

}  // namespace korvanta
