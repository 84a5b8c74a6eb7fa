#include "TextureFolders.h"

#include <filesystem>
#include <system_error>

#include "Preferences.h"
#include "settings/ImportSettings.h"

namespace kvhost {

namespace fs = std::filesystem;

std::vector<std::string> TextureFoldersToUse(const std::optional<std::vector<std::string>>& given) {
    if (!given) return hollin::settings::ReadImportSettings(hollin::prefs::Get()).textureFolders;
    std::vector<std::string> folders;
    for (const std::string& folder : *given) {
        std::error_code error;
        const fs::path absolute = fs::absolute(folder, error);
        folders.push_back((error ? fs::path(folder) : absolute).lexically_normal().string());
        if (folders.back().size() > 1 && folders.back().ends_with('/')) folders.back().pop_back();
    }
    return folders;
}

std::string FolderAsTyped(const std::string& folder) {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (error) return folder;
    const std::string relative = fs::path(folder).lexically_relative(here).string();
    return !relative.empty() && relative.size() < folder.size() ? relative : folder;
}

}  // namespace kvhost
