#pragma once

#include <map>

#include "utils/Utf16String.h"

namespace hollin::l10n {

using hollin::utils::Utf16String;

// Translations keyed by their English text, filled once at start-up.
using LocalizedStringTable = std::map<Utf16String, Utf16String>;

// The process-wide table.
LocalizedStringTable& GetLocalizedStringTable();

// The translation of an English text (UTF-8), or the English text itself.
Utf16String GetLocalizedString(const char* englishUtf8);

}  // namespace hollin::l10n
