#include "TexturesNotLoaded.h"

#include <sys/stat.h>

#include <optional>

#include "HostText.h"
#include "KorvantaAPI.h"
#include "TerminalText.h"
#include "scenefile/TextureFileResolver.h"
#include "utils/Utf16String.h"

namespace kvimport {
namespace {

using hollin::utils::Utf16String;
using kvhost::Compose;

// Why the host refuses an image file it found; empty when it loads.
std::string LoadProblem(const std::string& path) {
    KVTextureRef texture{};
    const KVResult result = KVTextureCreateFromFile(&texture, path.c_str(), 1.0, 1.0);
    if (result == KV_SUCCESS) {
        KVTextureRelease(&texture);
        return {};
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return kvhost::Translated("it is not a regular file");
    if (result == KV_ERROR_OUT_OF_RANGE) {
        return kvhost::Translated(
            "over the limits (256 MiB a file, 16,384 pixels a side, 2^28 pixels in all)");
    }
    return kvhost::Translated("not a JPEG, PNG, BMP, TGA or GIF image that can be read");
}

}  // namespace

std::vector<std::string> TexturesNotLoaded(const std::filesystem::path& sceneFile,
                                           const std::vector<std::string>& textureNames) {
    std::vector<std::string> lines;
    if (textureNames.empty()) return lines;
    const std::string folder = std::filesystem::absolute(sceneFile).parent_path().string();
    KVInitialize();
    for (const std::string& name : textureNames) {
        const std::optional<Utf16String> found =
            hollin::importer::ResolveTextureFile(Utf16String::FromUtf8(folder), Utf16String::FromUtf8(name));
        const std::string problem = found ? LoadProblem(found->ToUtf8()) : kvhost::Translated("not found");
        if (problem.empty()) continue;
        lines.push_back(Compose("texture %1$s (looked for in %2$s): %3$s",
                                {PrintableText(name), PrintableText(folder), problem}));
    }
    KVTerminate();
    return lines;
}

}  // namespace kvimport
