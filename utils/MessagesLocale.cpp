#include "utils/MessagesLocale.h"

#include <cstdlib>

namespace hollin::utils {

std::string MessagesLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

std::string_view LanguageAndTerritory(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    return locale.substr(0, locale.find_first_of(".@"));
}

}  // namespace hollin::utils
