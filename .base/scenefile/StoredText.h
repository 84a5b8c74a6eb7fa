#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "utils/Utf16String.h"

namespace hollin::importer {

// Texts in 3DS structures live in fixed-size arrays; a file may fill one to
// the last byte, so the terminator is never taken for granted.
template <std::size_t Capacity>
std::string_view StoredName(const char (&field)[Capacity]) {
    return {field, ::strnlen(field, Capacity)};
}

template <std::size_t Capacity>
std::string StoredText(const char (&field)[Capacity]) {
    return std::string(StoredName(field));
}

template <std::size_t Capacity>
hollin::utils::Utf16String StoredTextUtf16(const char (&field)[Capacity]) {
    return hollin::utils::Utf16String::FromUtf8(StoredText(field));
}

}  // namespace hollin::importer
