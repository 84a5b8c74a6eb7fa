#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "KorvantaAPI.h"
#include "ModelFileBuffer.h"
#include "ModelFileStructure.h"

// Reading the model's description in a model file (see
// ModelFileStructure.h), as the model reader and the outline reader both do.
namespace korvanta {

// Thrown while reading when the description contradicts itself or the file;
// `member` names the JSON member at fault, as a JSON pointer, when one is.
struct InvalidStructure : std::runtime_error {
    explicit InvalidStructure(const char* what, std::string at = {}) : std::runtime_error(what), member(std::move(at)) {}
    std::string member;
};

inline void Require(bool condition, const char* what) {
    if (!condition) throw InvalidStructure(what);
}

// Where the description is in the document, and where its members are.
inline const std::string kDescriptionPointer = std::string("/asset/extras/") + kModelStructureKey;
inline std::string MemberOf(const std::string& object, const char* key) {
    return object + "/" + key;
}
inline std::string MemberOf(const std::string& array, std::size_t index) {
    return array + "/" + std::to_string(index);
}

// A count, size or index of the description at `where`: refused, with the
// member named, when it is not a whole number that T holds (1e30, -1, 2.5).
template <typename T>
T WholeNumberAt(const nlohmann::json& object, const char* key, const std::string& where) {
    const std::optional<T> number = WholeNumber<T>(object.at(key));
    if (!number) throw InvalidStructure(key, MemberOf(where, key));
    return *number;
}

// The same for a member that may be absent, as `absent`.
template <typename T>
T WholeNumberOr(const nlohmann::json& object, const char* key, T absent, const std::string& where) {
    return object.contains(key) ? WholeNumberAt<T>(object, key, where) : absent;
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
    if (WholeNumber<int>(description.at("version")) != kModelStructureVersion) {
        throw InvalidStructure("version", MemberOf(kDescriptionPointer, "version"));
    }
    return description;
}

// A colour as four whole numbers of 0 to 255: red, green, blue and alpha.
inline KVColor ColorAt(const nlohmann::json& description, const char* key, const std::string& where) {
    const nlohmann::json& color = description.at(key);
    if (!color.is_array() || color.size() != 4) throw InvalidStructure(key, MemberOf(where, key));
    const auto channel = [&color, key, &where](std::size_t i) {
        const std::optional<std::uint8_t> value = WholeNumber<std::uint8_t>(color[i]);
        if (!value) throw InvalidStructure(key, MemberOf(MemberOf(where, key), i));
        return *value;
    };
    return {channel(0), channel(1), channel(2), channel(3)};
}

}  // namespace korvanta
