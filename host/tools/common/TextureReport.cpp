#include "TextureReport.h"

#include <cstring>

#include "HostText.h"
#include "KorvantaAPI.h"
#include "utils/Utf8Conversion.h"

namespace kvhost {

namespace {

using hollin::settings::TextureLookup;
using hollin::settings::TextureMatch;
using hollin::settings::TextureMiss;

// A message names this many texture folders at most, and counts the rest:
// users may keep hundreds, and every line about a texture lists them.
constexpr std::size_t kTextureFoldersNamed = 3;

// Why the host refuses the image file that was found; empty when it loads.
// The modelling library knows the files an importer loaded through it and
// decodes only the others.
std::string LoadProblem(const hollin::settings::FoundTexture& found) {
    const KVResult result = KVTextureCheckDescriptor(found.file.Get());
    if (result == KV_SUCCESS) return {};
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
        case TextureMiss::NotARegularFile:
            return Translated("it is not a regular file");
        case TextureMiss::Unreadable:
            return Compose("it cannot be read: %s", {std::strerror(lookup.error)});
        case TextureMiss::NotFound:
            break;
    }
    if (!lookup.searchedInPart.empty()) {
        const hollin::settings::ListingBounds bounds = hollin::settings::kTextureFolderListing;
        return Compose("not found (the search of %1$s stopped at %2$s names or %3$s levels of sub-folders)",
                       {Joined(lookup.searchedInPart), Grouped(bounds.names), std::to_string(bounds.depth)});
    }
    return Translated("not found");
}

// The folders a texture was looked for in: the model's, then the first few
// texture folders, then how many more there are. Naming one more folder
// takes no more room than counting it.
std::string FoldersSearchedText(const std::vector<std::string>& folders) {
    if (folders.size() <= 1 + kTextureFoldersNamed + 1) return Joined(folders);
    const std::vector<std::string> named(folders.begin(), folders.begin() + 1 + kTextureFoldersNamed);
    return Compose("%1$s and %2$s more texture folders", {Joined(named), Grouped(folders.size() - named.size())});
}

}  // namespace

TextureFindings FindTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders, const hollin::settings::Cancellation& cancelled) {
    TextureFindings findings;
    const std::string modelFolder = std::filesystem::absolute(sceneFile).parent_path().string();
    hollin::settings::TextureSearch search(modelFolder, textureFolders, cancelled);
    findings.foldersSearched = search.Folders();
    if (textureNames.empty()) return findings;
    std::vector<std::string> notFound;
    KVInitialize();
    for (const std::string& stored : textureNames) {
        if (cancelled && cancelled()) break;
        const TextureLookup lookup = search.Find(stored);
        TextureFinding& finding = findings.textures.emplace_back();
        finding.storedName = stored;
        if (!lookup.found) {
            finding.problem = MissReason(lookup, modelFolder);
            finding.candidates = lookup.candidates;
            notFound.push_back(stored);
            continue;
        }
        finding.file = lookup.found->path;
        finding.match = lookup.found->match;
        finding.problem = LoadProblem(*lookup.found);
    }
    KVTerminate();
    findings.hint = hollin::settings::FindTextureFolderHint(modelFolder, notFound, findings.foldersSearched, cancelled);
    return findings;
}

TextureReport ReportTextures(const std::filesystem::path& sceneFile, const std::vector<std::string>& textureNames,
                             const std::vector<std::string>& textureFolders, const hollin::settings::Cancellation& cancelled) {
    TextureReport report;
    if (textureNames.empty()) return report;
    TextureFindings findings = FindTextures(sceneFile, textureNames, textureFolders, cancelled);
    const std::string foldersSearched = FoldersSearchedText(findings.foldersSearched);
    for (const TextureFinding& finding : findings.textures) {
        const std::string name = hollin::utils::Utf8FromUtf8OrWindows1252(finding.storedName);
        if (!finding.problem.empty()) {
            report.notLoaded.push_back(
                Compose("texture %1$s (looked for in %2$s): %3$s", {name, foldersSearched, finding.problem}));
            report.namesNotLoaded.push_back(finding.storedName);
        } else if (finding.match == TextureMatch::StandIn) {
            report.foundElsewhere.push_back(Compose("texture %1$s: %2$s stands in for it", {name, *finding.file}));
        } else if (finding.match == TextureMatch::ShortName) {
            report.foundElsewhere.push_back(
                Compose("texture %1$s: found as %2$s, whose name an 8.3 exporter cuts to it", {name, *finding.file}));
        }
    }
    report.hint = std::move(findings.hint);
    return report;
}

}  // namespace kvhost
