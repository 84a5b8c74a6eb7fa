#include "TextureFiles.h"

#include <sys/stat.h>

#include <filesystem>
#include <variant>

#include "ImageLimits.h"
#include "utils/FileDescriptor.h"
#include "utils/Utf8Conversion.h"
#include "utils/WholeFile.h"

namespace korvanta {

namespace {

// A host that imports file after file keeps what became of this many image
// files (a few MiB) before it starts to forget.
constexpr std::size_t kMostVerdictsKept = 16'384;

}  // namespace

KVResult TextureFiles::Load(const std::string& path, Texture& texture) {
    hollin::utils::FileReadError error;
    const hollin::utils::FileDescriptor file(hollin::utils::OpenRegularFile(path, &error));
    if (!file.IsOpen()) return error.problem == hollin::utils::FileProblem::Missing ? KV_ERROR_FILE_NOT_FOUND : KV_ERROR_FILE_READ;
    return Load(file.Get(), std::filesystem::path(path).filename().string(), texture);
}

KVResult TextureFiles::Load(int descriptor, const std::string& name, Texture& texture) {
    const std::optional<FileIdentity> identity = Identify(descriptor);
    if (!identity) return KV_ERROR_FILE_READ;
    texture.fileName = hollin::utils::Utf8FromUtf8OrWindows1252(name);

    if (const auto known = verdicts_.find(*identity); known != verdicts_.end() && known->second != KV_SUCCESS) {
        return known->second;
    }
    if (const auto known = images_.find(*identity); known != images_.end()) {
        if (SharedImage shared = known->second.lock()) {
            texture.image = std::move(shared);
            return KV_SUCCESS;
        }
    }
    SharedImage image;
    if (const KVResult result = Decode(descriptor, *identity, image); result != KV_SUCCESS) return result;
    std::erase_if(images_, [](const auto& entry) { return entry.second.expired(); });
    images_[*identity] = image;
    texture.image = std::move(image);
    return KV_SUCCESS;
}

KVResult TextureFiles::Check(int descriptor) {
    const std::optional<FileIdentity> identity = Identify(descriptor);
    if (!identity) return KV_ERROR_FILE_READ;
    if (const auto known = verdicts_.find(*identity); known != verdicts_.end()) return known->second;
    SharedImage unused;
    return Decode(descriptor, *identity, unused);
}

void TextureFiles::Clear() {
    images_.clear();
}

std::optional<TextureFiles::FileIdentity> TextureFiles::Identify(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

KVResult TextureFiles::Decode(int descriptor, const FileIdentity& identity, SharedImage& image) {
    if (static_cast<std::uint64_t>(identity.size) > image::kMaxImageFileBytes) {
        Remember(identity, KV_ERROR_OUT_OF_RANGE);
        return KV_ERROR_OUT_OF_RANGE;
    }
    // A file that cannot be read now may be read later: not remembered.
    std::optional<std::vector<std::uint8_t>> bytes = hollin::utils::ReadWholeOpenFile(descriptor, image::kMaxImageFileBytes);
    if (!bytes) return KV_ERROR_FILE_READ;
    ++decoded_;
    image::ImageOutcome<image::EmbeddableImage> decoded = image::ToEmbeddableImage(std::move(*bytes));
    if (const auto* refusal = std::get_if<image::ImageRefusal>(&decoded)) {
        const KVResult result = *refusal == image::ImageRefusal::OverLimit ? KV_ERROR_OUT_OF_RANGE : KV_ERROR_FILE_READ;
        Remember(identity, result);
        return result;
    }
    image = std::make_shared<const image::EmbeddableImage>(std::move(std::get<image::EmbeddableImage>(decoded)));
    Remember(identity, KV_SUCCESS);
    return KV_SUCCESS;
}

void TextureFiles::Remember(const FileIdentity& identity, KVResult verdict) {
    if (verdicts_.size() >= kMostVerdictsKept && !verdicts_.contains(identity)) verdicts_.clear();
    verdicts_[identity] = verdict;
}

}  // namespace korvanta
