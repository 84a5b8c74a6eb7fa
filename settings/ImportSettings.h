#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/TextureFolderList.h"
#include "utils/Utf16String.h"
#include "utils/Variant.h"

namespace hollin::settings {

// Everything one import is steered by. Resolved once per import, from what
// the host gives and the preference store, and handed down by const
// reference as it is.
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
    // The folders after the first kMaxTextureFolders, left out: for the
    // host programs to say.
    std::size_t textureFoldersDropped = 0;
};

// What a host gives for one import: from its command line, its window, or
// the options map it hands an importer. What it leaves out is as stored.
struct GivenImportSettings {
    std::optional<std::int32_t> units;
    std::optional<bool> mergeCoplanarFaces;
    std::optional<bool> asAuthored;
    // Absolute folders; relative ones are left out.
    std::optional<std::vector<std::string>> textureFolders;
};

// The preference store keeps the settings under these names, and a host's
// options map gives them under the same keys.
inline constexpr char16_t kPreferenceSection[] = u"3DS Importer";
inline constexpr char16_t kMergeCoplanarFacesKey[] = u"ImportMergeCoplanarFaces";
inline constexpr char16_t kUnitsKey[] = u"ImportUnits";
inline constexpr char16_t kTextureFoldersKey[] = u"TextureFolders";
inline constexpr char16_t kAsAuthoredKey[] = u"ImportAsAuthored";

// The settings the store keeps as booleans.
inline constexpr const char16_t* kBooleanKeys[] = {kMergeCoplanarFacesKey, kAsAuthoredKey};

// What a host's options map gives: each entry of the setting's own type,
// Bool for the merge flag and the as-authored choice, Int for the units, a
// list of texts for the texture folders. Entries of other types are ignored
// without a word, since hosts pass loosely typed maps. `hostOptions` may be
// null.
GivenImportSettings GivenInHostOptions(const hollin::utils::VariantDictionary* hostOptions);

// All of `settings` as a host's options map: an importer handed it takes
// them as they are and reads nothing from the store.
hollin::utils::VariantDictionary HostOptionsFor(const ImportSettings& settings);

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

// The settings of one import: each one `given` as given, the others as
// stored, with the store's defaults (0, false, false, no folders) for what
// is not stored. The store, the host's preference store, is read only for
// what is not given. Call it once per import.
template <typename Store>
ImportSettings ResolveImportSettings(const Store& store, const GivenImportSettings& given) {
    const hollin::utils::Utf16String section(kPreferenceSection);
    ImportSettings settings;
    settings.units = given.units ? *given.units : store.ReadInt(section, hollin::utils::Utf16String(kUnitsKey), 0);
    settings.mergeCoplanarFaces =
        given.mergeCoplanarFaces ? *given.mergeCoplanarFaces
                                 : store.ReadBool(section, hollin::utils::Utf16String(kMergeCoplanarFacesKey), false);
    settings.asAuthored =
        given.asAuthored ? *given.asAuthored : store.ReadBool(section, hollin::utils::Utf16String(kAsAuthoredKey), false);
    TextureFolderList folders =
        given.textureFolders ? TextureFoldersFromList(*given.textureFolders) : ReadTextureFolders(store);
    settings.textureFolders = std::move(folders.folders);
    settings.textureFoldersDropped = folders.dropped;
    return settings;
}

}  // namespace hollin::settings
