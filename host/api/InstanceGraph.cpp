#include "InstanceGraph.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace korvanta {
namespace {

std::size_t SaturatingSum(std::size_t a, std::size_t b) {
    return a > std::numeric_limits<std::size_t>::max() - b ? std::numeric_limits<std::size_t>::max() : a + b;
}

// How far the instances of one set of entities reach: the levels below it and
// the placements they expand into.
struct Reach {
    std::size_t nesting = 0;
    std::size_t placements = 0;
};

// The model's definitions, each one after every definition it places; none
// when instances form a cycle. Instances of definitions outside the model
// are left out.
std::optional<std::vector<const ComponentDefinition*>> DefinitionsInnermostFirst(const Model& model) {
    const std::size_t count = model.definitions.size();
    std::unordered_map<const ComponentDefinition*, std::size_t> numbers;
    numbers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) numbers.emplace(model.definitions[i].get(), i);

    // A definition is ordered once every instance in it is; `placedBy` lists,
    // per definition, the definition of each instance of it.
    std::vector<std::size_t> unorderedInstances(count, 0);
    std::vector<std::vector<std::size_t>> placedBy(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (const auto& instance : model.definitions[i]->entities.instances) {
            const auto placed = numbers.find(instance->definition);
            if (placed == numbers.end()) continue;
            ++unorderedInstances[i];
            placedBy[placed->second].push_back(i);
        }
    }
    std::vector<std::size_t> order;
    order.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (unorderedInstances[i] == 0) order.push_back(i);
    }
    for (std::size_t next = 0; next < order.size(); ++next) {
        for (const std::size_t outer : placedBy[order[next]]) {
            if (--unorderedInstances[outer] == 0) order.push_back(outer);
        }
    }
    // The definitions left over place one another in a cycle.
    if (order.size() != count) return std::nullopt;
    std::vector<const ComponentDefinition*> definitions;
    definitions.reserve(count);
    for (const std::size_t i : order) definitions.push_back(model.definitions[i].get());
    return definitions;
}

}  // namespace

std::optional<std::vector<std::uint64_t>> TimesDrawn(const Model& model) {
    const auto order = DefinitionsInnermostFirst(model);
    if (!order) return std::nullopt;
    std::unordered_map<const ComponentDefinition*, std::size_t> numbers;
    numbers.reserve(model.definitions.size());
    for (std::size_t i = 0; i < model.definitions.size(); ++i) numbers.emplace(model.definitions[i].get(), i);
    std::vector<std::uint64_t> times(model.definitions.size(), 0);
    const auto place = [&](const Entities& entities, std::uint64_t drawn) {
        for (const auto& instance : entities.instances) {
            const auto placed = numbers.find(instance->definition);
            if (placed != numbers.end()) times[placed->second] = SaturatingSum(times[placed->second], drawn);
        }
    };
    place(model.entities, 1);
    // Outermost first: every definition that places another comes before it.
    for (auto definition = order->rbegin(); definition != order->rend(); ++definition) {
        const std::uint64_t drawn = times[numbers.at(*definition)];
        if (drawn != 0) place((*definition)->entities, drawn);
    }
    return times;
}

InstanceGraphFault FindInstanceGraphFault(const Model& model) {
    const auto order = DefinitionsInnermostFirst(model);
    if (!order) return InstanceGraphFault::Cycle;
    std::unordered_map<const ComponentDefinition*, Reach> reaches;
    reaches.reserve(order->size());
    std::size_t storedInstances = 0;
    std::size_t deepest = 0;
    const auto measure = [&](const Entities& entities) {
        Reach reach;
        for (const auto& instance : entities.instances) {
            const auto inner = reaches.find(instance->definition);
            if (inner == reaches.end()) continue;
            ++storedInstances;
            reach.nesting = std::max(reach.nesting, inner->second.nesting + 1);
            reach.placements = SaturatingSum(reach.placements, SaturatingSum(inner->second.placements, 1));
        }
        deepest = std::max(deepest, reach.nesting);
        return reach;
    };
    for (const ComponentDefinition* definition : *order) reaches.emplace(definition, measure(definition->entities));
    const Reach topLevel = measure(model.entities);
    if (deepest > kMaxInstanceNesting) return InstanceGraphFault::TooDeep;
    if (topLevel.placements > kPlacementsAlwaysAllowed + kPlacementsPerStoredInstance * storedInstances) {
        return InstanceGraphFault::TooManyPlacements;
    }
    return InstanceGraphFault::None;
}

}  // namespace korvanta
