#include "TextureReport.h"

#include <sys/stat.h>

#include "HostText.h"
#include "KorvantaAPI.h"
#include "settings/TextureSearch.h"
#include "utils/Utf8Conversion.h"

namespace kvhost {

namespace {

using hollin::settings::TextureLookup;
using hollin::settings::TextureMatch;
using hollin::settings::TextureMiss;

// Why the host refuses an image file that was found; empty when it loads.
std::string LoadProblem(const std::string& path) {
    KVTextureRef texture{};
    const KVResult result = KVTextureCreateFromFile(&texture, path.c_str(), 1.0, 1.0);
    if (result == KV_SUCCESS) {
        KVTextureRelease(&texture);
        return {};
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return Translated("it is not a regular file");
    if (result == KV_ERROR_OUT_OF_RANGE) {
        return Translated("over the limits (256 MiB a file, 16,384 pixels a side, 2^28 pixels in all)");
    }
    return Translated("not a JPEG, PNG, BMP, TGA or GIF image that can be read");
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string MissReason(const TextureLookup& lookup, const std::string& modelFolder) {
    switch (lookup.miss) {
        case TextureMiss::SeveralShortNames:
            return Compose("several files have this 8.3 name (%s)", {Joined(lookup.candidates)});
        case TextureMiss::LinksOutside:
            if (lookup.folder == modelFolder) return Translated("links outside the model's folder");
            return Compose("links outside the texture folder %s", {lookup.folder});
        case TextureMiss::NotFound:
            break;
    }
    return Translated("not found");
}

}  // namespace

TextureReport ReportTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders) {
    TextureReport report;
    if (textureNames.empty()) return report;
    const std::string modelFolder = std::filesystem::absolute(sceneFile).parent_path().string();
    hollin::settings::TextureSearch search(modelFolder, textureFolders);
    std::vector<std::string> notFound;
    KVInitialize();
    for (const std::string& stored : textureNames) {
        const std::string name = hollin::utils::Utf8FromUtf8OrWindows1252(stored);
        const TextureLookup lookup = search.Find(stored);
        std::string problem;
        if (lookup.found) {
            problem = LoadProblem(lookup.found->path);
        } else {
            problem = MissReason(lookup, modelFolder);
            notFound.push_back(stored);
        }
        if (!problem.empty()) {
            report.notLoaded.push_back(Compose("texture %1$s (looked for in %2$s): %3$s",
                                               {name, Joined(search.Folders()), problem}));
            report.namesNotLoaded.push_back(stored);
            continue;
        }
        report.loadedFrom[stored] = lookup.found->path;
        if (lookup.found->match == TextureMatch::StandIn) {
            report.foundElsewhere.push_back(
                Compose("texture %1$s: %2$s stands in for it", {name, lookup.found->path}));
        } else if (lookup.found->match == TextureMatch::ShortName) {
            report.foundElsewhere.push_back(
                Compose("texture %1$s: found as %2$s, whose name an 8.3 exporter cuts to it", {name, lookup.found->path}));
        }
    }
    KVTerminate();
    report.hint = hollin::settings::FindTextureFolderHint(modelFolder, notFound, search.Folders());
    return report;
}

}  // namespace kvhost
