#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

// Text from files and users on its way to a terminal: names can hold
// characters that a terminal takes as commands (escape sequences) or that
// make it show the line in another order than it is (bidirectional marks:
// "txt.exe" shown for "exe.txt"), so every host program writes such text
// through these.
namespace kvhost {

// The text with every control character but tab and line feed (C0, DEL and
// C1) and every bidirectional mark (U+061C, U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069) written as \uXXXX, and every byte that is not part of
// valid UTF-8 as \xHH.
std::string PrintableText(std::string_view utf8);

// A JSON document as text for a terminal: the same characters escaped as
// \uXXXX, which keeps it JSON; bytes that are not UTF-8 become U+FFFD.
std::string PrintableJson(const nlohmann::json& document, int indent);

}  // namespace kvhost
