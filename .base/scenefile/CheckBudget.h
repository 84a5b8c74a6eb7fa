#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenefile/SceneFileCheck.h"

namespace hollin::importer {

// What the scene check may spend on one file, and the first fault it finds.
// Work and memory have a base that any file may take and a share for each
// byte of the file; real scenes stay far below both. A step is a value read,
// a list element visited or a node compared.
class CheckBudget {
public:
    explicit CheckBudget(std::size_t fileSize)
        : workLimit_(kBaseWork + kWorkPerByte * fileSize), memoryLimit_(kBaseMemory + kMemoryPerByte * fileSize) {}

    bool Spend(std::uint64_t steps) {
        work_ += steps;
        return work_ <= workLimit_ || Fail(SceneFileFault::ExcessiveWork);
    }
    bool Allocate(std::uint64_t bytes) {
        memory_ += bytes;
        return memory_ <= memoryLimit_ || Fail(SceneFileFault::ExcessiveWork);
    }
    // Always false, for `return Fail(...)`; the fault is placed at the chunk read last.
    bool Fail(SceneFileFault fault) {
        if (verdict_.fault == SceneFileFault::None) {
            verdict_.fault = fault;
            verdict_.where = current_;
        }
        return false;
    }
    void Reading(ChunkPlace chunk) { current_ = chunk; }
    void Overrun(const ChunkOverrun& overrun) { verdict_.overrun = overrun; }
    // A material entry begins; its name and its first texture map's follow.
    void Material() { verdict_.materialTextures.emplace_back(); }
    void MaterialName(const char* name) { verdict_.materialTextures.back().material = name; }
    void TextureName(const char* name) {
        verdict_.materialTextures.back().texture = name;
        std::vector<std::string>& names = verdict_.textureNames;
        if (*name != '\0' && std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
    }

    bool Failed() const { return verdict_.fault != SceneFileFault::None; }
    // What lib3ds allocates for the scene, as far as the reading has come.
    std::uint64_t Allocated() const { return memory_; }
    const SceneFileVerdict& Verdict() const { return verdict_; }

private:
    static constexpr std::uint64_t kBaseWork = 20'000'000;
    static constexpr std::uint64_t kWorkPerByte = 64;
    static constexpr std::uint64_t kBaseMemory = 64u << 20;
    static constexpr std::uint64_t kMemoryPerByte = 32;

    std::uint64_t work_ = 0;
    std::uint64_t workLimit_;
    std::uint64_t memory_ = 0;
    std::uint64_t memoryLimit_;
    ChunkPlace current_;
    SceneFileVerdict verdict_;
};

}  // namespace hollin::importer
