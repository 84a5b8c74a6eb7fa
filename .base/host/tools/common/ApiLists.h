#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "KorvantaAPI.h"

// Reading texts and lists through the modelling library's C API, which hands
// them out in caller-sized buffers.
namespace kvhost {

template <typename Ref, typename Getter>
std::string ReadText(Ref ref, Getter getter) {
    std::size_t length = 0;
    if (getter(ref, 0, nullptr, &length) != KV_SUCCESS) return {};
    std::string text(length + 1, '\0');
    if (getter(ref, text.size(), text.data(), &length) != KV_SUCCESS) return {};
    text.resize(length);
    return text;
}

template <typename Ref, typename Owner, typename CountGetter, typename ListGetter>
std::vector<Ref> ReadList(Owner owner, CountGetter countGetter, ListGetter listGetter) {
    std::size_t count = 0;
    if (countGetter(owner, &count) != KV_SUCCESS) return {};
    std::vector<Ref> refs(count);
    if (listGetter(owner, refs.size(), refs.data(), &count) != KV_SUCCESS) return {};
    refs.resize(count);
    return refs;
}

}  // namespace kvhost
