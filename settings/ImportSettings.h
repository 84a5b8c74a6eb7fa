#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/TextureFolderList.h"
#include "utils/Utf16String.h"
#include "utils/Variant.h"

namespace hollin::settings {

// Everything one import is steered by. Resolved once, from the preference
// store and the host's overrides, and handed down as it is.
struct ImportSettings {
    // Index into kLengthUnits; any other value means the file's master scale.
    std::int32_t units = 0;
    bool mergeCoplanarFaces = false;
    // Faces smooth where the file's smoothing groups join them, and texture
    // maps tiled, offset and turned as the file lays them, as its author saw
    // the model; off, both are left out as they always were.
    bool asAuthored = false;
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
inline constexpr char16_t kAsAuthoredKey[] = u"ImportAsAuthored";

// The settings the store keeps as booleans.
inline constexpr const char16_t* kBooleanKeys[] = {kMergeCoplanarFacesKey, kAsAuthoredKey};

// The host's override of the texture folders: a list of texts.
hollin::utils::Variant TextureFoldersValue(const std::vector<std::string>& folders);

// Each setting the host's map holds with the setting's own type replaces the
// stored one: Bool for the merge flag and the as-authored choice, Int for
// the units, a list of texts for the texture folders. Entries of other
// types are ignored without a word, since hosts pass loosely typed maps.
// `hostOptions` may be null.
void ApplyHostOverrides(ImportSettings& settings, const hollin::utils::VariantDictionary* hostOptions);

// The texture folders as stored (see TextureFolderList.h), with how many
// were dropped; the one reader and writer of kTextureFoldersKey.
template <typename Store>
TextureFolderList ReadTextureFolders(const Store& store) {
    const hollin::utils::Utf16String section(kPreferenceSection);
    const hollin::utils::Utf16String key(kTextureFoldersKey);
    if (const auto list = store.ReadStringList(section, key)) return TextureFoldersFromList(*list);
    return TextureFoldersFromText(store.ReadString(section, key, hollin::utils::Utf16String()));
}

template <typename Store>
void WriteTextureFolders(Store& store, const std::vector<std::string>& folders) {
    store.WriteStringList(hollin::utils::Utf16String(kPreferenceSection), hollin::utils::Utf16String(kTextureFoldersKey),
                          TextureFolderListToStore(folders));
}

// The settings as stored; the store's defaults (false, 0, no folders, false) for
// whatever is not. `Store` is the host's preference store.
template <typename Store>
ImportSettings ReadImportSettings(const Store& store) {
    const hollin::utils::Utf16String section(kPreferenceSection);
    ImportSettings settings;
    settings.mergeCoplanarFaces = store.ReadBool(section, hollin::utils::Utf16String(kMergeCoplanarFacesKey), false);
    settings.units = store.ReadInt(section, hollin::utils::Utf16String(kUnitsKey), 0);
    settings.textureFolders = ReadTextureFolders(store).folders;
    settings.asAuthored = store.ReadBool(section, hollin::utils::Utf16String(kAsAuthoredKey), false);
    return settings;
}

}  // namespace hollin::settings
