#pragma once

// How the API hands texts and lists back to callers.

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "KorvantaAPI.h"

namespace korvanta {

// Copies `text` NUL-terminated into a buffer of `capacity` bytes. `length`
// always gets the full byte length; a buffer too small for it gets as much as
// fits and KV_ERROR_OUT_OF_RANGE. A null buffer with capacity 0 asks for the length only.
inline KVResult CopyText(const std::string& text, std::size_t capacity, char* buffer, std::size_t* length) {
    if (length == nullptr || (buffer == nullptr && capacity != 0)) return KV_ERROR_NULL_POINTER_OUTPUT;
    *length = text.size();
    if (capacity == 0) return buffer == nullptr ? KV_SUCCESS : KV_ERROR_OUT_OF_RANGE;
    const std::size_t copied = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return copied == text.size() ? KV_SUCCESS : KV_ERROR_OUT_OF_RANGE;
}

// Fills up to `capacity` references from a list; `count` gets how many were written.
template <typename Ref, typename List, typename PointerOf>
KVResult CopyRefs(const List& list, std::size_t capacity, Ref* refs, std::size_t* count, PointerOf pointerOf) {
    if (count == nullptr || (refs == nullptr && capacity != 0)) return KV_ERROR_NULL_POINTER_OUTPUT;
    const std::size_t written = std::min(capacity, list.size());
    for (std::size_t i = 0; i < written; ++i) refs[i].ptr = pointerOf(list[i]);
    *count = written;
    return KV_SUCCESS;
}

// The output's type decides: a count kept in 32 bits is reported as a size_t.
template <typename Value>
KVResult SetOutput(Value* output, const std::type_identity_t<Value>& value) {
    if (output == nullptr) return KV_ERROR_NULL_POINTER_OUTPUT;
    *output = value;
    return KV_SUCCESS;
}

}  // namespace korvanta
