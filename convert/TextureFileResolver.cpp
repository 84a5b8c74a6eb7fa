#include "convert/TextureFileResolver.h"

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

std::vector<std::u16string> SplitComponents(const std::u16string& name) {
    std::vector<std::u16string> components;
    std::u16string current;
    for (const char16_t unit : name) {
        if (unit == u'/' || unit == u'\\') {
            if (!current.empty()) components.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(unit);
        }
    }
    if (!current.empty()) components.push_back(std::move(current));
    return components;
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
    const Utf16String exactPath = folder + "/" + storedName;
    if (IsExistingFile(fs::path(exactPath.ToUtf8()))) return exactPath;

    fs::path current((folder + "/").ToUtf8());
    for (const std::u16string& component : SplitComponents(storedName.Units())) {
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
