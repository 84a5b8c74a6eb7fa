#include "TextureFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <variant>

#include "ImageLimits.h"
#include "utils/Utf8Conversion.h"
#include "utils/WholeFile.h"

namespace korvanta {

KVResult TextureFiles::Load(const std::string& path, Texture& texture) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return errno == ENOENT ? KV_ERROR_FILE_NOT_FOUND : KV_ERROR_FILE_READ;
    if (!S_ISREG(status.st_mode)) return KV_ERROR_FILE_READ;
    const FileIdentity identity{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
                                status.st_mtim.tv_nsec};
    texture.fileName = hollin::utils::Utf8FromUtf8OrWindows1252(std::filesystem::path(path).filename().string());

    if (const auto refused = refusals_.find(identity); refused != refusals_.end()) return refused->second;
    if (const auto known = images_.find(identity); known != images_.end()) {
        if (std::shared_ptr<const image::EmbeddableImage> shared = known->second.lock()) {
            texture.image = std::move(shared);
            return KV_SUCCESS;
        }
    }

    const auto refuse = [&](KVResult result) {
        refusals_[identity] = result;
        return result;
    };
    if (static_cast<std::uint64_t>(status.st_size) > image::kMaxImageFileBytes) return refuse(KV_ERROR_OUT_OF_RANGE);
    std::optional<std::vector<std::uint8_t>> bytes = hollin::utils::ReadWholeFile(path, image::kMaxImageFileBytes);
    if (!bytes) return KV_ERROR_FILE_READ;
    image::ImageOutcome<image::EmbeddableImage> decoded = image::ToEmbeddableImage(std::move(*bytes));
    if (const auto* refusal = std::get_if<image::ImageRefusal>(&decoded)) {
        return refuse(*refusal == image::ImageRefusal::OverLimit ? KV_ERROR_OUT_OF_RANGE : KV_ERROR_FILE_READ);
    }
    auto shared = std::make_shared<const image::EmbeddableImage>(std::move(std::get<image::EmbeddableImage>(decoded)));
    std::erase_if(images_, [](const auto& entry) { return entry.second.expired(); });
    images_[identity] = shared;
    texture.image = std::move(shared);
    return KV_SUCCESS;
}

void TextureFiles::Clear() {
    images_.clear();
    refusals_.clear();
}

}  // namespace korvanta
