#include "settings/TextureNames.h"

#include <algorithm>
#include <cctype>

#include "utils/CaseFold.h"
#include "utils/Utf16String.h"

namespace hollin::settings {
namespace {

using hollin::utils::FoldCase;

constexpr std::size_t kShortStemLength = 8;
constexpr std::size_t kShortExtensionLength = 3;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Exporters count characters, not UTF-16 units.
std::size_t CharacterCount(std::u16string_view text) {
    std::size_t count = 0;
    for (std::size_t index = 0; index < text.size(); ++index, ++count) {
        if (IsHighSurrogate(text[index]) && index + 1 < text.size()) ++index;
    }
    return count;
}

std::u16string FirstCharacters(std::u16string_view text, std::size_t count) {
    std::size_t index = 0;
    for (std::size_t taken = 0; taken < count && index < text.size(); ++taken) {
        index += (IsHighSurrogate(text[index]) && index + 1 < text.size()) ? 2 : 1;
    }
    return std::u16string(text.substr(0, index));
}

bool IsSeparator(char character) { return character == '/' || character == '\\'; }

bool StartsWithDriveLetter(std::string_view name) {
    return name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])) != 0;
}

}  // namespace

TextureName ReadTextureName(std::string_view utf8) {
    const std::u16string name = hollin::utils::Utf16String::FromUtf8(utf8).Units();
    const std::size_t dot = name.rfind(u'.');
    const bool hasExtension = dot != std::u16string::npos && dot > 0;
    const std::u16string_view stem = std::u16string_view(name).substr(0, hasExtension ? dot : name.size());
    const std::u16string_view extension =
        hasExtension ? std::u16string_view(name).substr(dot + 1) : std::u16string_view();

    TextureName read;
    read.folded = FoldCase(name);
    read.foldedStem = FoldCase(stem);
    std::u16string shortName = FirstCharacters(stem, kShortStemLength);
    read.foldedShortStem = FoldCase(shortName);
    if (hasExtension) shortName += u'.' + FirstCharacters(extension, kShortExtensionLength);
    read.foldedShortName = FoldCase(shortName);
    read.isShortName = CharacterCount(stem) <= kShortStemLength && CharacterCount(extension) <= kShortExtensionLength &&
                       stem.find(u'.') == std::u16string_view::npos;
    const std::u16string foldedExtension = FoldCase(extension);
    const auto* found = std::find(std::begin(kImageExtensions), std::end(kImageExtensions), foldedExtension);
    if (hasExtension && found != std::end(kImageExtensions)) {
        read.imageExtension = static_cast<std::size_t>(found - std::begin(kImageExtensions));
    }
    return read;
}

std::vector<std::string> StoredNameComponents(std::string_view utf8) {
    std::vector<std::string> components;
    std::string current;
    const auto finish = [&] {
        if (!current.empty() && current != ".") components.push_back(std::move(current));
        current.clear();
    };
    for (const char character : utf8) {
        if (IsSeparator(character)) {
            finish();
        } else {
            current.push_back(character);
        }
    }
    finish();

    const bool leavesFolder = (!utf8.empty() && IsSeparator(utf8.front())) || StartsWithDriveLetter(utf8) ||
                              std::find(components.begin(), components.end(), "..") != components.end();
    if (!leavesFolder || components.empty()) return components;
    const std::string_view last = components.back();
    const bool driveThenName = components.size() == 1 && StartsWithDriveLetter(last);  // "C:WOOD.JPG"
    const std::string_view fileName = driveThenName ? last.substr(2) : last;
    if (fileName.empty() || fileName == "..") return {};
    return {std::string(fileName)};
}

}  // namespace hollin::settings
