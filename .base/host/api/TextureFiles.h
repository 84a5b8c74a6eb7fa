#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "EmbeddableImage.h"
#include "KorvantaAPI.h"
#include "Model.h"

namespace korvanta {

// Loads texture files for the API, each file once: every texture made from
// the same file shares its decoded image while any of them lives, so a model
// whose materials all name one picture holds and saves that picture once.
// A file is the same while its device, inode, size and modification time are.
class TextureFiles {
public:
    // KV_ERROR_FILE_NOT_FOUND for a missing file, KV_ERROR_OUT_OF_RANGE for an
    // image over the limits, KV_ERROR_FILE_READ for anything that is not a
    // readable JPEG, PNG, BMP, TGA or GIF image.
    KVResult Load(const std::string& path, Texture& texture);
    void Clear();

private:
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        auto operator<=>(const FileIdentity&) const = default;
    };

    std::map<FileIdentity, std::weak_ptr<const image::EmbeddableImage>> images_;
    std::map<FileIdentity, KVResult> refusals_;
};

}  // namespace korvanta
