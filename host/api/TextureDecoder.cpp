#include "TextureDecoder.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

#include "utils/Utf8Conversion.h"

namespace korvanta {

namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> signature) {
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

struct ImageFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

KVResult DecodeTextureFile(const std::string& path, Texture& texture) {
    const std::filesystem::path filePath(path);
    std::error_code error;
    if (!std::filesystem::exists(filePath, error)) return KV_ERROR_FILE_NOT_FOUND;
    if (!std::filesystem::is_regular_file(filePath, error)) return KV_ERROR_FILE_READ;
    std::ifstream stream(filePath, std::ios::binary);
    if (!stream) return KV_ERROR_FILE_READ;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad() || bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return KV_ERROR_FILE_READ;
    }

    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    // Decoding the whole image, not only its header, is what proves it usable.
    std::unique_ptr<stbi_uc, ImageFree> pixels(stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0));
    if (!pixels || width <= 0 || height <= 0) return KV_ERROR_FILE_READ;

    texture.fileName = hollin::utils::Utf8FromUtf8OrWindows1252(filePath.filename().string());
    texture.width = static_cast<std::size_t>(width);
    texture.height = static_cast<std::size_t>(height);
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'})) {
        texture.mimeType = "image/png";
        texture.encoded = std::move(bytes);
    } else if (StartsWith(bytes, {0xff, 0xd8, 0xff})) {
        texture.mimeType = "image/jpeg";
        texture.encoded = std::move(bytes);
    } else {
        std::vector<std::uint8_t> png;
        if (stbi_write_png_to_func(AppendBytes, &png, width, height, channels, pixels.get(), width * channels) == 0) {
            return KV_ERROR_FILE_READ;
        }
        texture.mimeType = "image/png";
        texture.encoded = std::move(png);
    }
    return KV_SUCCESS;
}

}  // namespace korvanta
