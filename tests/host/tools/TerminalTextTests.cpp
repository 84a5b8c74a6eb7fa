// What kvimport lets through to a terminal from texts it did not write.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "TerminalText.h"

TEST(TerminalText, ReplacesControlCharactersAndBrokenUtf8ButKeepsTextTabsAndLineFeeds) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Gr\xC3\xB6\xC3\x9F" "e\t\xE2\x82\xAC \xF0\x9F\x99\x82\n", "Gr\xC3\xB6\xC3\x9F" "e\t\xE2\x82\xAC \xF0\x9F\x99\x82\n"},
        {"\x1B[31mred\x07\r\x7F", "?[31mred???"},
        {std::string("a\0b", 3), "a?b"},
        {"\xC2\x9B" "31m \xC2\x85 \xC2\xA0", "?31m ? \xC2\xA0"},  // C1 controls; U+00A0 is text
        {"D\xE9" "faut \x9B" "31m", "D?faut ?31m"},                // Windows-1252 bytes are not UTF-8
        {"\xE2\x82", "??"},                                      // cut short
        {"\xED\xA0\x80 \xC0\xAF", "??? ??"},                     // a surrogate, an overlong '/'
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(kvimport::PrintableText(text), shown) << text;
}
