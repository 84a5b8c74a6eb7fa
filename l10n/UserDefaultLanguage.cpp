#include "l10n/UserDefaultLanguage.h"

#include <algorithm>
#include <array>
#include <string>

#include "utils/MessagesLocale.h"

namespace hollin::l10n {

namespace {

struct LocaleLanguage {
    std::string_view language;   // ISO 639 code as POSIX locales spell it
    std::string_view territory;  // ISO 3166 code; empty: every other territory
    std::uint16_t primary;
    std::uint16_t sub;
};

// Rows with a territory come before the row of the same language without one.
constexpr std::array kLocaleLanguages = std::to_array<LocaleLanguage>({
    {"ar", "SA", 0x01, 1}, {"ar", "IQ", 0x01, 2}, {"ar", "EG", 0x01, 3}, {"ar", "", 0x01, 1},
    {"bg", "", 0x02, 1},
    {"ca", "", 0x03, 1},
    {"zh", "TW", 0x04, 1}, {"zh", "CN", 0x04, 2}, {"zh", "HK", 0x04, 3}, {"zh", "SG", 0x04, 4},
    {"zh", "MO", 0x04, 5}, {"zh", "", 0x04, 2},
    {"cs", "", 0x05, 1},
    {"da", "", 0x06, 1},
    {"de", "DE", 0x07, 1}, {"de", "CH", 0x07, 2}, {"de", "AT", 0x07, 3}, {"de", "LU", 0x07, 4},
    {"de", "LI", 0x07, 5}, {"de", "", 0x07, 1},
    {"el", "", 0x08, 1},
    {"en", "US", 0x09, 1}, {"en", "GB", 0x09, 2}, {"en", "AU", 0x09, 3}, {"en", "CA", 0x09, 4},
    {"en", "NZ", 0x09, 5}, {"en", "IE", 0x09, 6}, {"en", "ZA", 0x09, 7}, {"en", "JM", 0x09, 8},
    {"en", "BZ", 0x09, 10}, {"en", "TT", 0x09, 11}, {"en", "ZW", 0x09, 12}, {"en", "PH", 0x09, 13},
    {"en", "IN", 0x09, 16}, {"en", "MY", 0x09, 17}, {"en", "SG", 0x09, 18}, {"en", "", 0x09, 1},
    {"es", "ES", 0x0A, 3}, {"es", "MX", 0x0A, 2}, {"es", "GT", 0x0A, 4}, {"es", "CR", 0x0A, 5},
    {"es", "PA", 0x0A, 6}, {"es", "DO", 0x0A, 7}, {"es", "VE", 0x0A, 8}, {"es", "CO", 0x0A, 9},
    {"es", "PE", 0x0A, 10}, {"es", "AR", 0x0A, 11}, {"es", "EC", 0x0A, 12}, {"es", "CL", 0x0A, 13},
    {"es", "UY", 0x0A, 14}, {"es", "PY", 0x0A, 15}, {"es", "BO", 0x0A, 16}, {"es", "SV", 0x0A, 17},
    {"es", "HN", 0x0A, 18}, {"es", "NI", 0x0A, 19}, {"es", "PR", 0x0A, 20}, {"es", "US", 0x0A, 21},
    {"es", "", 0x0A, 3},
    {"fi", "", 0x0B, 1},
    {"fr", "FR", 0x0C, 1}, {"fr", "BE", 0x0C, 2}, {"fr", "CA", 0x0C, 3}, {"fr", "CH", 0x0C, 4},
    {"fr", "LU", 0x0C, 5}, {"fr", "MC", 0x0C, 6}, {"fr", "", 0x0C, 1},
    {"he", "", 0x0D, 1}, {"iw", "", 0x0D, 1},
    {"hu", "", 0x0E, 1},
    {"it", "CH", 0x10, 2}, {"it", "", 0x10, 1},
    {"ja", "", 0x11, 1},
    {"ko", "", 0x12, 1},
    {"nl", "BE", 0x13, 2}, {"nl", "", 0x13, 1},
    {"nb", "", 0x14, 1}, {"no", "", 0x14, 1}, {"nn", "", 0x14, 2},
    {"pl", "", 0x15, 1},
    {"pt", "PT", 0x16, 2}, {"pt", "", 0x16, 1},
    {"ro", "", 0x18, 1},
    {"ru", "", 0x19, 1},
    {"hr", "BA", 0x1A, 4}, {"hr", "", 0x1A, 1},
    {"sk", "", 0x1B, 1},
    {"sv", "FI", 0x1D, 2}, {"sv", "", 0x1D, 1},
    {"th", "", 0x1E, 1},
    {"tr", "", 0x1F, 1},
    {"id", "", 0x21, 1},
    {"uk", "", 0x22, 1},
    {"sl", "", 0x24, 1},
    {"et", "", 0x25, 1},
    {"lv", "", 0x26, 1},
    {"lt", "", 0x27, 1},
    {"vi", "", 0x2A, 1},
    {"hi", "", 0x39, 1},
    {"fil", "", 0x64, 1}, {"tl", "", 0x64, 1},
});

constexpr std::uint16_t kEnglishUnitedStates = MakeLanguageId(0x09, 1);

}  // namespace

std::uint16_t LanguageIdOfLocale(std::string_view locale) {
    const std::string_view name = hollin::utils::LanguageAndTerritory(locale);
    if (name == "C" || name == "POSIX") return kEnglishUnitedStates;
    const std::size_t separator = name.find('_');
    const std::string_view language = name.substr(0, separator);
    const std::string_view territory = separator == std::string_view::npos ? "" : name.substr(separator + 1);
    const auto found = std::find_if(kLocaleLanguages.begin(), kLocaleLanguages.end(), [&](const LocaleLanguage& row) {
        return row.language == language && (row.territory.empty() || row.territory == territory);
    });
    return found == kLocaleLanguages.end() ? 0 : MakeLanguageId(found->primary, found->sub);
}

std::uint16_t GetUserDefaultLangID() {
    return LanguageIdOfLocale(hollin::utils::MessagesLocale());
}

}  // namespace hollin::l10n
