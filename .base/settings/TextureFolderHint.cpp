#include "settings/TextureFolderHint.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "settings/TextureSearch.h"

namespace hollin::settings {

namespace fs = std::filesystem;

namespace {

// Beside a model in a big folder (a home folder, say) only this many
// neighbours are looked at.
constexpr std::size_t kMostNeighbours = 64;

bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// The folder above `modelFolder`, then its visible sub-folders by name.
std::vector<fs::path> Neighbours(const fs::path& modelFolder) {
    const fs::path parent = modelFolder.parent_path();
    if (parent.empty() || parent == modelFolder) return {};
    std::vector<fs::path> beside;
    std::error_code error;
    for (fs::directory_iterator next(parent, error), end; !error && next != end; next.increment(error)) {
        const std::string name = next->path().filename().string();
        if (name.starts_with('.') || !next->is_directory(error)) continue;
        beside.push_back(next->path());
    }
    std::sort(beside.begin(), beside.end());
    if (beside.size() > kMostNeighbours) beside.resize(kMostNeighbours);
    beside.insert(beside.begin(), parent);
    return beside;
}

}  // namespace

std::optional<TextureFolderHint> FindTextureFolderHint(const std::string& modelFolder,
                                                       const std::vector<std::string>& namesNotFound,
                                                       const std::vector<std::string>& foldersSearched) {
    if (namesNotFound.empty() || modelFolder.empty()) return std::nullopt;
    std::optional<TextureFolderHint> best;
    for (const fs::path& folder : Neighbours(fs::path(modelFolder).lexically_normal())) {
        const bool searched = std::any_of(foldersSearched.begin(), foldersSearched.end(),
                                          [&](const std::string& other) { return SameFolder(folder, other); });
        if (searched) continue;
        TextureSearch probe(folder.string(), {});
        const auto held = static_cast<std::size_t>(std::count_if(
            namesNotFound.begin(), namesNotFound.end(),
            [&probe](const std::string& name) { return probe.Find(name).found.has_value(); }));
        if (held > 0 && (!best || held > best->names)) best = TextureFolderHint{folder.string(), held};
    }
    return best;
}

}  // namespace hollin::settings
