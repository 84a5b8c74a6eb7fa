#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollin::settings {

// How the texture search reads a name, whether stored in a 3DS file or found
// in a folder: as text, folded so that names compare ignoring case.
struct TextureName {
    std::u16string folded;
    std::u16string foldedStem;  // without the extension
    // The name as an exporter limited to 8.3 names would have stored it: the
    // first 8 characters of the stem and 3 of the extension.
    std::u16string foldedShortName;
    std::u16string foldedShortStem;
    // Its place in kImageExtensions, or nothing for another extension.
    std::optional<std::size_t> imageExtension;
    // At most 8 characters of stem and 3 of extension, so that it may be an
    // exporter's cut of a longer name.
    bool isShortName = false;
};

// The image formats the host reads, by the extensions their files carry, in
// the order a stand-in for an unreadable or missing image is preferred.
inline constexpr std::u16string_view kImageExtensions[] = {u"png", u"jpg", u"jpeg", u"tga", u"bmp", u"gif"};

// `utf8` is a name as text; names from 3DS files and folders alike pass
// through Utf8FromUtf8OrWindows1252 first.
TextureName ReadTextureName(std::string_view utf8);

// The folders and file of a stored name, separated by slashes or
// backslashes, the way Windows, where these files are made, reads them. A
// name that would lead out of the folder it is looked for in (absolute, on a
// drive, or through "..") keeps only its file name: a downloaded model must
// not carry the user's other pictures with it. Empty when no file is named.
std::vector<std::string> StoredNameComponents(std::string_view utf8);

}  // namespace hollin::settings
