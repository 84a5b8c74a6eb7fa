#pragma once

#include "utils/Utf16String.h"

namespace hollin::l10n {

using hollin::utils::Utf16String;

// The languages of this process: the user's, and the one whose resources are
// used, which is the user's only when the host installation offers it (an
// "i18n.dat" marker is found for it) and "en-US" otherwise.
struct LanguageSettings {
    Utf16String fallbackLanguage;
    Utf16String userLanguage;
    Utf16String resolvedLanguage;
};

// Made on first use; lives until DeleteLanguageSettings.
LanguageSettings& GetLanguageSettings();
void DeleteLanguageSettings();

// "fr", "de", "en-US", "en-GB", "zh-CN", "zh-TW", "pt-BR", ... for the user's
// language; "en-US" for one without a code of its own.
Utf16String GetUserLanguageCode();

// The file in the host's Resources/<resolved language>/ folder, else in
// Resources/en-US/; empty when in neither.
Utf16String ResolveResourcePath(const Utf16String& fileName);

// root/fileName, else root/subFolder/fileName when a sub-folder is named;
// empty when neither exists.
Utf16String TryResourceRoot(const Utf16String& root, const Utf16String& fileName, const Utf16String& subFolder);

// The first existing candidate under, in order: the resource root override
// (empty, so the current directory), the host executable's folder, the user's
// and the shared data folders, the folder above the executable's, and the
// install location. Empty when none has it.
Utf16String FindResourceFile(const Utf16String& fileName, const Utf16String& subFolder);

// <data folder>/Korvanta/Korvanta 2018/<name>, created when missing.
Utf16String GetUserDataFolder(const Utf16String& name);
Utf16String GetSharedDataFolder(const Utf16String& name);

// The host's install folder from the system registry; this platform has
// none, so always the empty text.
Utf16String GetInstallLocation();

// A folder searched before all others; empty from start to end.
Utf16String& ResourceRootOverride();

}  // namespace hollin::l10n
