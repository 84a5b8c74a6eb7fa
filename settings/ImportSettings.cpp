#include "settings/ImportSettings.h"

namespace hollin::settings {

using hollin::utils::Utf16String;
using hollin::utils::Variant;
using hollin::utils::VariantDictionary;

GivenImportSettings GivenInHostOptions(const VariantDictionary* hostOptions) {
    GivenImportSettings given;
    if (hostOptions == nullptr) return given;
    const auto entry = [hostOptions](const char16_t* key, Variant::Type type) -> const Variant* {
        const auto found = hostOptions->find(Utf16String(key));
        return found != hostOptions->end() && found->second.GetType() == type ? &found->second : nullptr;
    };
    if (const Variant* merge = entry(kMergeCoplanarFacesKey, Variant::Bool)) given.mergeCoplanarFaces = merge->AsBool();
    if (const Variant* asAuthored = entry(kAsAuthoredKey, Variant::Bool)) given.asAuthored = asAuthored->AsBool();
    if (const Variant* units = entry(kUnitsKey, Variant::Int)) given.units = units->AsInt32();
    if (const Variant* folders = entry(kTextureFoldersKey, Variant::Vector)) {
        std::vector<std::string>& list = given.textureFolders.emplace();
        for (const Variant& folder : folders->GetVector()) {
            if (folder.GetType() == Variant::String) list.push_back(folder.AsString().ToUtf8());
        }
    }
    return given;
}

VariantDictionary HostOptionsFor(const ImportSettings& settings) {
    hollin::utils::VariantVector folders;
    for (const std::string& folder : settings.textureFolders) folders.emplace_back(Utf16String::FromUtf8(folder));
    return {{Utf16String(kUnitsKey), Variant(settings.units)},
            {Utf16String(kMergeCoplanarFacesKey), Variant(settings.mergeCoplanarFaces)},
            {Utf16String(kAsAuthoredKey), Variant(settings.asAuthored)},
            {Utf16String(kTextureFoldersKey), Variant(folders)}};
}

}  // namespace hollin::settings
