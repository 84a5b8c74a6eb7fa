#pragma once

#include "utils/Utf16String.h"

namespace hollin::l10n {

// Adds the entries of a string table file to the process's table; a key the
// table already has keeps its translation. False when the file cannot be
// opened; true otherwise, also for a file without entries.
//
// An entry line starts with a double quote: "English key" = "translation";
// everything outside the first two quoted texts is ignored, and so is every
// line that does not start with a quote. Inside the quotes \r, \n and \t
// stand for CR, LF and TAB; nothing else is an escape.
bool LoadLocalizedStrings(const hollin::utils::Utf16String& path);

}  // namespace hollin::l10n
