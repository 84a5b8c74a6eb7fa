#pragma once

// The host programs' own messages in the user's language, through GNU
// gettext: catalogues "kvhost.mo" under locale/<language>/LC_MESSAGES beside
// the program, one for each language the importer ships.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kvhost {

// Chooses the language as the importer does, from the first of LC_ALL,
// LC_MESSAGES and LANG that is set, whether or not the system has that
// locale; English when there is no catalogue for it.
void UseTheUsersLanguage();

// The translation of an English message (the gettext key).
const char* Translated(const char* english);

// A translated pattern with its "%s" filled in order, or "%N$s" by position
// (translations may reorder them), by UTF-8 texts; "%%" is a percent sign.
std::string Compose(const char* english, std::initializer_list<std::string_view> values);

// A count as the user's language writes it: "6,750,000" in English,
// "6.750.000" in German.
std::string Grouped(std::uint64_t count);

// Bytes in whole mebibytes, rounded to the nearest.
constexpr std::uint64_t MebibytesOf(std::uint64_t bytes) { return (bytes + (1u << 19)) >> 20; }

}  // namespace kvhost
