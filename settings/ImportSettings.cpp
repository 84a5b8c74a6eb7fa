#include "settings/ImportSettings.h"

namespace hollin::settings {

using hollin::utils::Utf16String;
using hollin::utils::Variant;

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
    const auto asAuthored = hostOptions->find(Utf16String(kAsAuthoredKey));
    if (asAuthored != hostOptions->end() && asAuthored->second.GetType() == Variant::Bool) {
        settings.asAuthored = asAuthored->second.AsBool();
    }
    const auto units = hostOptions->find(Utf16String(kUnitsKey));
    if (units != hostOptions->end() && units->second.GetType() == Variant::Int) {
        settings.units = units->second.AsInt32();
    }
    const auto folders = hostOptions->find(Utf16String(kTextureFoldersKey));
    if (folders != hostOptions->end() && folders->second.GetType() == Variant::Vector) {
        std::vector<Utf16String> given;
        for (const Variant& folder : folders->second.GetVector()) {
            if (folder.GetType() == Variant::String) given.push_back(folder.AsString());
        }
        settings.textureFolders = TextureFoldersFromList(given).folders;
    }
}

}  // namespace hollin::settings
