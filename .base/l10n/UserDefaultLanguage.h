#pragma once

#include <cstdint>
#include <string_view>

namespace hollin::l10n {

// Language identifiers as Windows numbers them: the primary language in the
// low 10 bits, the sub-language (mostly the country) in the high 6 bits.
inline constexpr std::uint16_t MakeLanguageId(std::uint16_t primary, std::uint16_t sub) {
    return static_cast<std::uint16_t>((sub << 10) | primary);
}
inline constexpr std::uint16_t PrimaryLanguageOf(std::uint16_t id) {
    return id & 0x3FF;
}
inline constexpr std::uint16_t SubLanguageOf(std::uint16_t id) {
    return id >> 10;
}

// The identifier of a POSIX locale name such as "fr_CA.UTF-8" or "de_AT@euro":
// English (United States) for "C" and "POSIX", 0 (no language) for a
// language that the table does not know. A known language in an unlisted
// territory gets its default sub-language, 1.
std::uint16_t LanguageIdOfLocale(std::string_view locale);

// The user's language: the locale of LC_ALL, else LC_MESSAGES, else LANG
// (the first that is set and not empty), "C" when none is.
std::uint16_t GetUserDefaultLangID();

}  // namespace hollin::l10n
