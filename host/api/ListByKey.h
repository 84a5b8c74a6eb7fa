#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace korvanta {

// Lists values by key in one array: `start[key]` is where the key's values
// begin and `start[key + 1]` where they end. `forEachItem(emit)` calls
// `emit(key, value)` for every item, the same way both times it is called.
// Large models are worked through such lists: they are built in two
// sequential passes and read in key order, where node-based maps allocate
// per item and hash tables scatter every access.
template <typename ForEachItem>
void ListByKey(std::size_t keyCount, ForEachItem forEachItem, std::vector<std::uint32_t>& start,
               std::vector<std::uint32_t>& values) {
    start.assign(keyCount + 1, 0);
    forEachItem([&](std::uint32_t key, std::uint32_t) { ++start[key + 1]; });
    std::partial_sum(start.begin(), start.end(), start.begin());
    values.resize(start.back());
    forEachItem([&](std::uint32_t key, std::uint32_t value) { values[start[key]++] = value; });
    // Each start has moved on to the next key's; move them back.
    std::copy_backward(start.begin(), start.end() - 1, start.end());
    start[0] = 0;
}

}  // namespace korvanta
