#include "HostText.h"

#include <libintl.h>
#include <unistd.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "utils/MessagesLocale.h"
#include "utils/RunningProgram.h"

namespace kvhost {
namespace {

constexpr const char* kDomain = "kvhost";

// The messages locale's language and territory, "de_DE" of "de_DE.UTF-8@euro".
std::string LocaleLanguage() {
    return std::string(hollin::utils::LanguageAndTerritory(hollin::utils::MessagesLocale()));
}

}  // namespace

void UseTheUsersLanguage() {
    const std::string language = LocaleLanguage();
    if (language == "C" || language == "POSIX") return;
    // gettext answers in the language LANGUAGE names (trying "de_DE", then
    // "de") unless messages are in the "C" locale. The user's locale need not
    // be installed: the catalogues are in UTF-8 and so is the output.
    if (std::setlocale(LC_MESSAGES, "") == nullptr) std::setlocale(LC_MESSAGES, "C.UTF-8");
    // Without the program's own folder there is no catalogue: the messages
    // stay in English rather than come from one in the current folder.
    const std::filesystem::path folder = hollin::utils::RunningProgramFolder();
    if (folder.empty()) return;
    ::setenv("LANGUAGE", language.c_str(), 1);
    bindtextdomain(kDomain, (folder / "locale").c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);
}

const char* Translated(const char* english) { return dgettext(kDomain, english); }

std::string Grouped(std::uint64_t count) {
    UErrorCode status = U_ZERO_ERROR;
    const std::string language = LocaleLanguage();
    const icu::Locale locale(language == "C" || language == "POSIX" ? "en" : language.c_str());
    const std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, status));
    if (U_FAILURE(status)) return std::to_string(count);
    icu::UnicodeString text;
    format->format(static_cast<int64_t>(count), text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::string Compose(const char* english, std::initializer_list<std::string_view> values) {
    const std::string_view pattern = Translated(english);
    const std::vector<std::string_view> arguments(values);
    std::string text;
    std::size_t next = 0;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] != '%' || at + 1 >= pattern.size()) {
            text.push_back(pattern[at]);
            continue;
        }
        if (pattern[at + 1] == '%') {
            text.push_back('%');
            ++at;
            continue;
        }
        std::size_t index = next++;
        std::size_t end = at + 1;
        if (pattern[end] >= '1' && pattern[end] <= '9' && end + 1 < pattern.size() && pattern[end + 1] == '$') {
            index = static_cast<std::size_t>(pattern[end] - '1');
            end += 2;
        }
        if (end < pattern.size() && pattern[end] == 's' && index < arguments.size()) {
            text += arguments[index];
            at = end;
        } else {
            text.push_back('%');
        }
    }
    return text;
}

}  // namespace kvhost
