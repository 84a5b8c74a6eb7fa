#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "Model.h"

// Definitions placing definitions form a graph that a model file could make
// cyclic, deep beyond any real model or, by placing a definition twice at
// each of a few levels, expand into more placements than any machine can
// draw. Whatever walks instances computes once per definition, never once
// per placement, and walks iteratively.
namespace korvanta {

// A model nests no deeper than this; real ones hardly go past a few levels.
inline constexpr std::size_t kMaxInstanceNesting = 128;

// The placements a viewer of the file expands, counted from the top level,
// stay proportional to the instances the file stores.
inline constexpr std::size_t kPlacementsAlwaysAllowed = std::size_t{1} << 20;
inline constexpr std::size_t kPlacementsPerStoredInstance = 16;

enum class InstanceGraphFault { None, Cycle, TooDeep, TooManyPlacements };

// Why the model's instances cannot be written or read, if they cannot.
InstanceGraphFault FindInstanceGraphFault(const Model& model);

// How often a viewer draws each of the model's definitions (by its index in
// the model): once for every placement, counted from the top level, up to
// the largest count there is. Nothing when instances form a cycle.
std::optional<std::vector<std::uint64_t>> TimesDrawn(const Model& model);

}  // namespace korvanta
