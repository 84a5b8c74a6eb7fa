#include "settings/TextureFolderList.h"

namespace hollin::settings {

using hollin::utils::Utf16String;

namespace {

constexpr char kFolderSeparator = ':';

bool IsAbsolute(const std::string& folder) { return !folder.empty() && folder.front() == '/'; }

void Add(TextureFolderList& list, std::string folder) {
    if (!IsAbsolute(folder)) return;
    if (list.folders.size() < kMaxTextureFolders) {
        list.folders.push_back(std::move(folder));
    } else {
        ++list.dropped;
    }
}

}  // namespace

TextureFolderList TextureFoldersFromList(const std::vector<Utf16String>& stored) {
    TextureFolderList list;
    for (const Utf16String& folder : stored) Add(list, folder.ToUtf8());
    return list;
}

TextureFolderList TextureFoldersFromList(const std::vector<std::string>& given) {
    TextureFolderList list;
    for (const std::string& folder : given) Add(list, folder);
    return list;
}

TextureFolderList TextureFoldersFromText(const Utf16String& stored) {
    const std::string text = stored.ToUtf8();
    TextureFolderList list;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(kFolderSeparator, start);
        if (end == std::string::npos) end = text.size();
        Add(list, text.substr(start, end - start));
        start = end + 1;
    }
    return list;
}

std::vector<Utf16String> TextureFolderListToStore(const std::vector<std::string>& folders) {
    std::vector<Utf16String> stored;
    for (const std::string& folder : folders) {
        if (stored.size() == kMaxTextureFolders) break;
        stored.push_back(Utf16String::FromUtf8(folder));
    }
    return stored;
}

}  // namespace hollin::settings
