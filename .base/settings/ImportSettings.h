#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "utils/Utf16String.h"
#include "utils/Variant.h"

namespace hollin::settings {

// Everything one import is steered by. Resolved once, from the preference
// store and the host's overrides, and handed down as it is.
struct ImportSettings {
    // Index into kLengthUnits; any other value means the file's master scale.
    std::int32_t units = 0;
    bool mergeCoplanarFaces = false;
    // Absolute folders, searched in this order for a texture that is not in
    // the model's own folder.
    std::vector<std::string> textureFolders;
};

// The preference store keeps the settings under these names, and a host's
// options map overrides them under the same keys.
inline constexpr char16_t kPreferenceSection[] = u"3DS Importer";
inline constexpr char16_t kMergeCoplanarFacesKey[] = u"ImportMergeCoplanarFaces";
inline constexpr char16_t kUnitsKey[] = u"ImportUnits";
inline constexpr char16_t kTextureFoldersKey[] = u"TextureFolders";

// The folders as the store keeps them: one text, separated by colons like
// PATH. Relative entries are dropped, since they would depend on where a
// program happens to run.
std::vector<std::string> ParseTextureFolderList(const hollin::utils::Utf16String& stored);
hollin::utils::Utf16String TextureFolderListText(const std::vector<std::string>& folders);

// The host's override of the texture folders: a list of texts.
hollin::utils::Variant TextureFoldersValue(const std::vector<std::string>& folders);

// Each setting the host's map holds with the setting's own type replaces the
// stored one: Bool for the merge flag, Int for the units, a list of texts
// for the texture folders. Entries of other types are ignored without a word,
// since hosts pass loosely typed maps. `hostOptions` may be null.
void ApplyHostOverrides(ImportSettings& settings, const hollin::utils::VariantDictionary* hostOptions);

// The settings as stored; the store's defaults (false, 0, no folders) for
// whatever is not. `Store` is the host's preference store.
template <typename Store>
ImportSettings ReadImportSettings(const Store& store) {
    const hollin::utils::Utf16String section(kPreferenceSection);
    ImportSettings settings;
    settings.mergeCoplanarFaces = store.ReadBool(section, hollin::utils::Utf16String(kMergeCoplanarFacesKey), false);
    settings.units = store.ReadInt(section, hollin::utils::Utf16String(kUnitsKey), 0);
    settings.textureFolders = ParseTextureFolderList(
        store.ReadString(section, hollin::utils::Utf16String(kTextureFoldersKey), hollin::utils::Utf16String()));
    return settings;
}

template <typename Store>
void WriteTextureFolders(Store& store, const std::vector<std::string>& folders) {
    store.WriteString(hollin::utils::Utf16String(kPreferenceSection), hollin::utils::Utf16String(kTextureFoldersKey),
                      TextureFolderListText(folders));
}

}  // namespace hollin::settings
