#include "scenefile/TextureFileResolver.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace hollin::importer {
namespace {

namespace fs = std::filesystem;
using hollin::utils::Utf16String;

char16_t FoldCase(char16_t unit) {
    if (unit < 0x80) {
        return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    return static_cast<char16_t>(std::towlower(static_cast<std::wint_t>(unit)));
}

bool EqualIgnoringCase(const std::u16string& left, const std::u16string& right) {
    if (left.size() != right.size()) return false;
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (FoldCase(left[index]) != FoldCase(right[index])) return false;
    }
    return true;
}

bool IsExistingFile(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error) && !fs::is_directory(path, error);
}

bool IsSeparator(char16_t unit) { return unit == u'/' || unit == u'\\'; }

bool StartsWithDriveLetter(const std::u16string& name) {
    return name.size() >= 2 && name[1] == u':' &&
           ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
}

// The folders and file of a stored name. A name that would lead out of the
// model's folder (absolute, on a drive, or through "..") keeps only its file
// name: a downloaded model must not carry the user's other pictures with it.
std::vector<std::u16string> ComponentsInsideFolder(const std::u16string& name) {
    std::vector<std::u16string> components;
    std::u16string current;
    for (const char16_t unit : name) {
        if (!IsSeparator(unit)) {
            current.push_back(unit);
            continue;
        }
        if (!current.empty() && current != u".") components.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty() && current != u".") components.push_back(std::move(current));

    const bool leavesFolder = (!name.empty() && IsSeparator(name.front())) || StartsWithDriveLetter(name) ||
                              std::find(components.begin(), components.end(), u"..") != components.end();
    if (!leavesFolder || components.empty()) return components;
    std::u16string fileName = std::move(components.back());
    if (components.size() == 1 && StartsWithDriveLetter(fileName)) fileName.erase(0, 2);  // "C:WOOD.JPG"
    if (fileName.empty() || fileName == u"..") return {};
    return {std::move(fileName)};
}

// The entry of `folder` whose name equals `component` ignoring case. When
// several do, the smallest name wins so that the choice does not depend on
// the order the file system lists them in.
std::optional<fs::path> FindEntryIgnoringCase(const fs::path& folder, const std::u16string& component) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    std::optional<std::string> best;
    for (const fs::directory_entry& entry : entries) {
        std::string entryName = entry.path().filename().string();
        if (!EqualIgnoringCase(Utf16String::FromUtf8(entryName).Units(), component)) continue;
        if (!best || entryName < *best) best = std::move(entryName);
    }
    if (!best) return std::nullopt;
    return folder / *best;
}

}  // namespace

std::optional<Utf16String> ResolveTextureFile(const Utf16String& folder, const Utf16String& storedName) {
    const std::vector<std::u16string> components = ComponentsInsideFolder(storedName.Units());
    if (components.empty()) return std::nullopt;
    fs::path current((folder + "/").ToUtf8());
    for (const std::u16string& component : components) {
        const fs::path candidate = current / Utf16String(component).ToUtf8();
        std::error_code error;
        if (fs::exists(candidate, error)) {
            current = candidate;
            continue;
        }
        std::optional<fs::path> match = FindEntryIgnoringCase(current, component);
        if (!match) return std::nullopt;
        current = std::move(*match);
    }
    if (!IsExistingFile(current)) return std::nullopt;
    return Utf16String::FromUtf8(current.string());
}

}  // namespace hollin::importer
