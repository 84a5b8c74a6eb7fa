#pragma once

#include <string>
#include <string_view>

namespace kvimport {

// The text with every control character but tab and line feed (C0, DEL and
// C1) and every byte that is not part of valid UTF-8 replaced by '?', so
// that names from a file cannot send escape sequences to the terminal.
std::string PrintableText(std::string_view utf8);

}  // namespace kvimport
