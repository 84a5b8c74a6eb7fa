#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "EmbeddableImage.h"
#include "KorvantaAPI.h"
#include "Model.h"

namespace korvanta {

// Loads texture files for the API, each file once: every texture made from
// the same file shares its decoded image while any of them lives, so a model
// whose materials all name one picture holds and saves that picture once.
// What became of each file is remembered for the rest of the process, so
// that a host learns whether the textures its importer loaded load without
// decoding them again. A file is the same while its device, inode, size and
// modification time are.
class TextureFiles {
public:
    // KV_ERROR_FILE_NOT_FOUND for a missing file, KV_ERROR_OUT_OF_RANGE for an
    // image over the limits, KV_ERROR_FILE_READ for anything that is not a
    // readable JPEG, PNG, BMP, TGA or GIF image. The file is opened once,
    // without waiting on it, and read through that descriptor.
    KVResult Load(const std::string& path, Texture& texture);
    // The same for a file the caller opened, read from its start; the
    // descriptor stays the caller's. `name` becomes the texture's file name.
    KVResult Load(int descriptor, const std::string& name, Texture& texture);
    // What Load would answer for the file, decoding it only when no Load or
    // Check in this process has.
    KVResult Check(int descriptor);
    // Frees the images; what became of each file stays known.
    void Clear();
    // How many files were decoded in this process.
    std::uint64_t Decoded() const { return decoded_; }

private:
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        auto operator<=>(const FileIdentity&) const = default;
    };
    using SharedImage = std::shared_ptr<const image::EmbeddableImage>;

    // The open file's identity, or nothing when it is not a regular file.
    static std::optional<FileIdentity> Identify(int descriptor);
    // Reads and decodes the file, remembering what became of it; `image`
    // gets the image when it loads.
    KVResult Decode(int descriptor, const FileIdentity& identity, SharedImage& image);
    void Remember(const FileIdentity& identity, KVResult verdict);

    std::map<FileIdentity, std::weak_ptr<const image::EmbeddableImage>> images_;
    std::map<FileIdentity, KVResult> verdicts_;
    std::uint64_t decoded_ = 0;
};

}  // namespace korvanta
