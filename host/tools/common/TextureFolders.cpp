#include "TextureFolders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "HostText.h"
#include "StrictJson.h"
#include "settings/TextureFolderList.h"

namespace kvhost {

namespace fs = std::filesystem;

std::string AbsoluteFolder(const std::string& given) {
    std::error_code error;
    const fs::path made = fs::absolute(given, error);
    std::string normal = (error ? fs::path(given) : made).lexically_normal().string();
    if (normal.size() > 1 && normal.ends_with('/')) normal.pop_back();
    return normal;
}

std::string DroppedFoldersNote(std::size_t dropped) {
    return Compose("only the first %1$s texture folders are searched; the %2$s after them are not",
                   {std::to_string(hollin::settings::kMaxTextureFolders), Grouped(dropped)});
}

std::optional<std::vector<std::string>> ParseFolderListArgument(const std::string& value) {
    if (!value.starts_with('[')) {
        std::vector<std::string> folders;
        std::size_t start = 0;
        while (start <= value.size()) {
            std::size_t end = value.find(':', start);
            if (end == std::string::npos) end = value.size();
            if (end > start) folders.push_back(value.substr(start, end - start));
            start = end + 1;
        }
        return folders;
    }
    nlohmann::json document;
    if (korvanta::ParseJsonObject("{\"list\":" + value + "}", document).fault != korvanta::JsonFault::None) return std::nullopt;
    std::vector<std::string> folders;
    for (const nlohmann::json& folder : document["list"]) {
        if (!folder.is_string()) return std::nullopt;
        if (!folder.get_ref<const std::string&>().empty()) folders.push_back(folder.get<std::string>());
    }
    return folders;
}

std::string FolderListArgument(const std::vector<std::string>& folders) {
    const bool colon = std::any_of(folders.begin(), folders.end(),
                                   [](const std::string& folder) { return folder.find(':') != std::string::npos; });
    if (colon) return nlohmann::json(folders).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string text;
    for (const std::string& folder : folders) text += (text.empty() ? "" : ":") + folder;
    return text;
}

std::string FolderAsTyped(const std::string& folder) {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (error) return folder;
    const std::string relative = fs::path(folder).lexically_relative(here).string();
    return !relative.empty() && relative.size() < folder.size() ? relative : folder;
}

}  // namespace kvhost
