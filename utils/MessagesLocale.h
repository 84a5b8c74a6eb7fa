#pragma once

#include <string>
#include <string_view>

namespace hollin::utils {

// The locale the user chose for messages, as every program and the plug-in
// read it: LC_ALL, else LC_MESSAGES, else LANG (the first that is set and not
// empty); "C" when none is.
std::string MessagesLocale();

// A locale name's language and territory: "de_DE" of "de_DE.UTF-8@euro".
std::string_view LanguageAndTerritory(std::string_view locale);

}  // namespace hollin::utils
