#include "l10n/LanguageSettings.h"

#include <array>
#include <cstdint>
#include <memory>

#include "l10n/UserDefaultLanguage.h"
#include "utils/Format.h"
#include "utils/Paths.h"

namespace hollin::l10n {

using namespace hollin::utils;

namespace {

constexpr char16_t kFallbackLanguage[] = u"en-US";
constexpr char16_t kMarkerFile[] = u"i18n.dat";
// The host's release year that names its data folders.
constexpr std::int32_t kHostYear = 18;

struct LanguageCode {
    std::uint16_t primary;
    const char16_t* code;
};

constexpr std::array kLanguageCodes = std::to_array<LanguageCode>({
    {0x01, u"ar"}, {0x02, u"bg"}, {0x03, u"ca"}, {0x04, u"zh"}, {0x1A, u"hr"}, {0x05, u"cs"},
    {0x06, u"da"}, {0x13, u"nl"}, {0x09, u"en"}, {0x0B, u"fi"}, {0x26, u"lv"}, {0x22, u"uk"},
    {0x0C, u"fr"}, {0x07, u"de"}, {0x08, u"el"}, {0x0D, u"iw"}, {0x39, u"hi"}, {0x0E, u"hu"},
    {0x21, u"id"}, {0x10, u"it"}, {0x11, u"ja"}, {0x12, u"ko"}, {0x1E, u"th"}, {0x2A, u"vi"},
    {0x27, u"lt"}, {0x14, u"no"}, {0x15, u"pl"}, {0x16, u"pt"}, {0x18, u"ro"}, {0x19, u"ru"},
    {0x1B, u"sk"}, {0x24, u"sl"}, {0x0A, u"es"}, {0x1D, u"sv"}, {0x1F, u"tr"}, {0x64, u"tl"},
});

// Only English, Chinese and Portuguese carry a country in their code.
const char16_t* CountryOf(std::uint16_t primary, std::uint16_t sub) {
    switch (primary) {
        case 0x09: return sub == 1 ? u"US" : u"GB";
        case 0x04: return sub == 2 || sub == 4 ? u"CN" : u"TW";
        case 0x16: return sub == 2 ? u"PT" : u"BR";
        default: return nullptr;
    }
}

std::unique_ptr<LanguageSettings>& Settings() {
    static std::unique_ptr<LanguageSettings> settings;
    return settings;
}

Utf16String ResourcesSubFolder(const Utf16String& language) {
    return Utf16String(u"Resources/") + language;
}

Utf16String DataFolder(const Utf16String& base, const Utf16String& name) {
    const Utf16String folder =
        JoinPath(JoinPath(NormalizePath(base), Formatted(u"Korvanta/Korvanta 20%d", kHostYear)), name);
    if (!IsDirectory(folder)) CreateDirectories(folder);
    return NormalizePath(folder);
}

// The folder above: one trailing slash dropped, then everything after the
// last slash; a text without a slash stays as it is.
Utf16String ParentFolder(Utf16String folder) {
    const auto length = static_cast<std::int32_t>(folder.Length());
    if (length > 0 && folder[folder.Length() - 1] == u'/') folder = folder.Left(length - 1);
    const std::int64_t slash = folder.ReverseFind(u"/");
    return slash == Utf16String::npos ? folder : folder.Left(static_cast<std::int32_t>(slash + 1));
}

}  // namespace

LanguageSettings& GetLanguageSettings() {
    std::unique_ptr<LanguageSettings>& settings = Settings();
    if (settings == nullptr) {
        settings = std::make_unique<LanguageSettings>();
        settings->fallbackLanguage = kFallbackLanguage;
        settings->userLanguage = GetUserLanguageCode();
        const Utf16String marker = FindResourceFile(kMarkerFile, ResourcesSubFolder(settings->userLanguage));
        settings->resolvedLanguage = marker.IsEmpty() ? settings->fallbackLanguage : settings->userLanguage;
    }
    return *settings;
}

void DeleteLanguageSettings() {
    Settings().reset();
}

Utf16String GetUserLanguageCode() {
    const std::uint16_t id = GetUserDefaultLangID();
    const std::uint16_t primary = PrimaryLanguageOf(id);
    for (const LanguageCode& language : kLanguageCodes) {
        if (language.primary != primary) continue;
        const char16_t* country = CountryOf(primary, SubLanguageOf(id));
        return country == nullptr ? Utf16String(language.code) : Utf16String(language.code) + "-" + country;
    }
    return kFallbackLanguage;
}

Utf16String ResolveResourcePath(const Utf16String& fileName) {
    const LanguageSettings& settings = GetLanguageSettings();
    const Utf16String folder = GetHostExecutableFolder();
    for (const Utf16String* language : {&settings.resolvedLanguage, &settings.fallbackLanguage}) {
        const Utf16String candidate = JoinPath(folder, ResourcesSubFolder(*language) + "/" + fileName);
        if (FileExists(candidate)) return candidate;
    }
    return {};
}

Utf16String TryResourceRoot(const Utf16String& root, const Utf16String& fileName, const Utf16String& subFolder) {
    Utf16String candidate = JoinPath(root, fileName);
    if (FileExists(candidate)) return candidate;
    if (!subFolder.IsEmpty()) {
        candidate = JoinPath(JoinPath(root, subFolder), fileName);
        if (FileExists(candidate)) return candidate;
    }
    return {};
}

Utf16String FindResourceFile(const Utf16String& fileName, const Utf16String& subFolder) {
    Utf16String found = TryResourceRoot(ResourceRootOverride(), fileName, subFolder);
    if (!found.IsEmpty()) return found;
    // All three are worked out first: the data folders are made on the way.
    const Utf16String executableFolder = GetHostExecutableFolder();
    const std::array<Utf16String, 3> roots = {executableFolder, GetUserDataFolder(u"Korvanta"),
                                              GetSharedDataFolder(u"Korvanta")};
    for (const Utf16String& root : roots) {
        found = TryResourceRoot(root, fileName, subFolder);
        if (!found.IsEmpty()) return found;
    }
    found = TryResourceRoot(ParentFolder(executableFolder), fileName, subFolder);
    if (!found.IsEmpty()) return found;
    const Utf16String installLocation = GetInstallLocation();
    return installLocation.IsEmpty() ? Utf16String() : TryResourceRoot(installLocation, fileName, subFolder);
}

Utf16String GetUserDataFolder(const Utf16String& name) {
    return DataFolder(GetRoamingApplicationDataFolder(), name);
}

Utf16String GetSharedDataFolder(const Utf16String& name) {
    return DataFolder(GetCommonApplicationDataFolder(), name);
}

Utf16String GetInstallLocation() {
    return {};
}

Utf16String& ResourceRootOverride() {
    static Utf16String root;
    return root;
}

}  // namespace hollin::l10n
