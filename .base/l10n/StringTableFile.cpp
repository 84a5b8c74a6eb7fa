#include "l10n/StringTableFile.h"

#include "l10n/CTextFile.h"
#include "l10n/LocalizedStrings.h"

namespace hollin::l10n {

namespace {

constexpr char16_t kQuote = u'"';

void ReplaceEscapes(Utf16String& text) {
    text.ReplaceAll(u"\\r", u"\r");
    text.ReplaceAll(u"\\n", u"\n");
    text.ReplaceAll(u"\\t", u"\t");
}

// The text between two quotes, or the empty text when either is missing.
Utf16String QuotedText(const Utf16String& line, std::int64_t opening) {
    if (opening == Utf16String::npos) return {};
    const std::int64_t closing = line.Find(kQuote, opening + 1);
    if (closing == Utf16String::npos) return {};
    return line.Mid(static_cast<std::int32_t>(opening + 1), static_cast<std::int32_t>(closing - opening - 1));
}

}  // namespace

bool LoadLocalizedStrings(const Utf16String& path) {
    CTextFile file;
    if (!file.Open(path)) return false;
    LocalizedStringTable& table = GetLocalizedStringTable();
    Utf16String line;
    while (file.ReadLine(line)) {
        if (line.IsEmpty() || line[0] != kQuote) continue;
        const std::int64_t keyEnd = line.Find(kQuote, 1);
        if (keyEnd == Utf16String::npos) continue;
        Utf16String key = QuotedText(line, 0);
        ReplaceEscapes(key);
        Utf16String value = QuotedText(line, line.Find(kQuote, keyEnd + 1));
        ReplaceEscapes(value);
        table.emplace(std::move(key), std::move(value));
    }
    return true;
}

}  // namespace hollin::l10n
