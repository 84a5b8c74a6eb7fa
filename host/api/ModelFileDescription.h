#pragma once

#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ModelFileBuffer.h"

// Reading the model's description in a model file (see
// ModelFileStructure.h), as the model reader and the outline reader both do.
namespace korvanta {

// Thrown while reading when the description contradicts itself or the file.
struct InvalidStructure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline void Require(bool condition, const char* what) {
    if (!condition) throw InvalidStructure(what);
}

template <typename T>
T WholeNumberAt(const nlohmann::json& object, const char* key) {
    const std::optional<T> number = WholeNumber<T>(object.at(key));
    Require(number.has_value(), key);
    return *number;
}

// The glTF writer stores empty arrays as null. (And nlohmann would iterate
// over a lone value as if it were a one-element array.)
inline const nlohmann::json& ArrayAt(const nlohmann::json& description, const char* key) {
    static const nlohmann::json empty = nlohmann::json::array();
    const nlohmann::json& array = description.at(key);
    Require(array.is_array() || array.is_null(), key);
    return array.is_null() ? empty : array;
}

}  // namespace korvanta
