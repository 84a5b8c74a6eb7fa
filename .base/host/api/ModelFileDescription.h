#pragma once

#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "KorvantaAPI.h"
#include "ModelFileBuffer.h"
#include "ModelFileStructure.h"

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

// The model's description in a model file's document, of the layout this
// library writes.
inline const nlohmann::json& DescriptionIn(const nlohmann::json& document) {
    const nlohmann::json& description = document.at("asset").at("extras").at(kModelStructureKey);
    Require(WholeNumber<int>(description.at("version")) == kModelStructureVersion, "version");
    return description;
}

// A colour as four whole numbers of 0 to 255: red, green, blue and alpha.
inline KVColor ColorAt(const nlohmann::json& description, const char* key) {
    const nlohmann::json& color = description.at(key);
    Require(color.is_array() && color.size() == 4, key);
    const auto channel = [&color, key](std::size_t i) {
        const std::optional<std::uint8_t> value = WholeNumber<std::uint8_t>(color[i]);
        Require(value.has_value(), key);
        return *value;
    };
    return {channel(0), channel(1), channel(2), channel(3)};
}

}  // namespace korvanta
