#include "settings/ImportSettings.h"

namespace hollin::settings {

using hollin::utils::Utf16String;
using hollin::utils::Variant;

namespace {

constexpr char kFolderSeparator = ':';

bool IsAbsolute(const std::string& folder) { return !folder.empty() && folder.front() == '/'; }

}  // namespace

std::vector<std::string> ParseTextureFolderList(const Utf16String& stored) {
    const std::string text = stored.ToUtf8();
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(kFolderSeparator, start);
        if (end == std::string::npos) end = text.size();
        std::string folder = text.substr(start, end - start);
        if (IsAbsolute(folder)) folders.push_back(std::move(folder));
        start = end + 1;
    }
    return folders;
}

Utf16String TextureFolderListText(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) {
        if (!text.empty()) text += kFolderSeparator;
        text += folder;
    }
    return Utf16String::FromUtf8(text);
}

Variant TextureFoldersValue(const std::vector<std::string>& folders) {
    hollin::utils::VariantVector list;
    for (const std::string& folder : folders) list.emplace_back(Utf16String::FromUtf8(folder));
    return Variant(list);
}

void ApplyHostOverrides(ImportSettings& settings, const hollin::utils::VariantDictionary* hostOptions) {
    if (hostOptions == nullptr) return;
    const auto merge = hostOptions->find(Utf16String(kMergeCoplanarFacesKey));
    if (merge != hostOptions->end() && merge->second.GetType() == Variant::Bool) {
        settings.mergeCoplanarFaces = merge->second.AsBool();
    }
    const auto units = hostOptions->find(Utf16String(kUnitsKey));
    if (units != hostOptions->end() && units->second.GetType() == Variant::Int) {
        settings.units = units->second.AsInt32();
    }
    const auto folders = hostOptions->find(Utf16String(kTextureFoldersKey));
    if (folders != hostOptions->end() && folders->second.GetType() == Variant::Vector) {
        settings.textureFolders.clear();
        for (const Variant& folder : folders->second.GetVector()) {
            std::string path = folder.AsString().ToUtf8();
            if (folder.GetType() == Variant::String && IsAbsolute(path)) settings.textureFolders.push_back(std::move(path));
        }
    }
}

}  // namespace hollin::settings
