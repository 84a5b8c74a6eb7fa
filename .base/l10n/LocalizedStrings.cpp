#include "l10n/LocalizedStrings.h"

namespace hollin::l10n {

LocalizedStringTable& GetLocalizedStringTable() {
    static LocalizedStringTable table;
    return table;
}

Utf16String GetLocalizedString(const char* englishUtf8) {
    Utf16String key = Utf16String::FromUtf8(englishUtf8);
    if (key.IsEmpty()) {
        // Keys written in the locale's own encoding still deserve a lookup.
        key = Utf16String::FromLocale(englishUtf8);
    }
    const LocalizedStringTable& table = GetLocalizedStringTable();
    if (!key.IsEmpty() && !table.empty()) {
        if (auto entry = table.find(key); entry != table.end()) {
            return entry->second;
        }
    }
    return key;
}

}  // namespace hollin::l10n
