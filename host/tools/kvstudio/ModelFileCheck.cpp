#include "ModelFileCheck.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <fstream>

#include "HostText.h"
#include "KorvantaAPI.h"

namespace kvstudio {

namespace {

// More than any model the library writes needs; a larger one is no model.
constexpr std::uint32_t kLargestDescription = 64u << 20;

std::uint32_t LittleEndian32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// True when the file's description has an image or a buffer that is another
// file (a "uri"): the view would open it, wherever it is, and the library's
// reader looks only at the images its materials use.
bool NamesOtherFiles(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, 20> header{};
    if (!file.read(header.data(), header.size())) return true;
    const std::uint32_t length = LittleEndian32(header.data() + 12);
    if (length > kLargestDescription) return true;
    std::string description(length, '\0');
    if (!file.read(description.data(), length)) return true;
    const nlohmann::json document = nlohmann::json::parse(description, nullptr, false);
    if (!document.is_object()) return true;
    for (const char* list : {"images", "buffers"}) {
        const auto entries = document.find(list);
        if (entries == document.end()) continue;
        if (!entries->is_array()) return true;
        for (const nlohmann::json& entry : *entries) {
            if (!entry.is_object() || entry.contains("uri")) return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> WhyNotAModelFile(const std::string& path) {
    if (KVInitialize() != KV_SUCCESS) return kvhost::Translated("the modelling library could not start");
    KVModelRef model{};
    const KVResult result = KVModelCreateFromFile(&model, path.c_str());
    if (result == KV_SUCCESS) KVModelRelease(&model);
    KVTerminate();
    switch (result) {
        case KV_SUCCESS: break;
        case KV_ERROR_FILE_NOT_FOUND: return kvhost::Translated("there is no such file");
        case KV_ERROR_OUT_OF_RANGE: return kvhost::Translated("its components nest too deep or expand too far");
        default: return kvhost::Translated("it is not a Korvanta model file, or it is damaged");
    }
    if (NamesOtherFiles(path)) return kvhost::Translated("it names other files, which are not opened");
    return std::nullopt;
}

}  // namespace kvstudio
