#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "utils/Format.h"

using namespace hollin::utils;

// Message-resource markers (%1, %1!d!) become positional conversions and mix
// with the flags, widths and precisions of plain ones.
TEST(Format, PositionalMarkersFlagsWidthsAndPrecisions) {
    const Utf16String a("first");
    const Utf16String b("second");
    const Utf16String text("abc");
    const std::pair<Utf16String, const char*> cases[] = {
        {Formatted("%2!s! and %1!s!", a, b), "second and first"},
        {Formatted("%2!d! of %1!d!", 10, 3), "3 of 10"},
        {Formatted("%1 items", Utf16String("7")), "7 items"},
        {Formatted("%1. Next", Utf16String("7")), "7. Next"},
        {Formatted("[%1.5d]", 7), "[00007]"},  // a width, not a marker
        {Formatted("%1!-5s!|", text), "abc  |"},
        {Formatted("%1$d/%1$d", 4), "4/4"},
        {Formatted("%s=%i", Utf16String("x"), -3), "x=-3"},
        {Formatted("[%-5d]", 42), "[42   ]"},
        {Formatted("[%05d]", -42), "[-0042]"},
        {Formatted("[%+ d]", 42), "[+42]"},
        {Formatted("[%06.3d]", 7), "[   007]"},
        {Formatted("[%.0d]", 0), "[]"},
        {Formatted("[%d]", INT_MIN), "[-2147483648]"},
        {Formatted("100%%: %d", 1), "100%: 1"},
        {Formatted("[%4.1s]", text), "[   a]"},
        {Formatted("[%1$-4.2s]", text), "[ab  ]"},
        {Formatted("[%05s]", text), "[00abc]"},
    };
    for (const auto& [formatted, expected] : cases) EXPECT_EQ(formatted.ToUtf8(), expected);
    EXPECT_EQ(Formatted("%s", "caf\xC3\xA9").Units(), u"caf\xE9");  // literal converted for the call
    EXPECT_EQ(Formatted("%s", Utf16String(u"\xD83D\xDE00" "\xD800")).Units(), u"\xD83D\xDE00\xD800");
}

TEST(Format, RejectedFormatsGiveTheEmptyText) {
    const Utf16String text("t");
    // Positional and plain conversions mixed, too few arguments, a text for an
    // integer conversion or an integer for a text one, and what is not supported.
    const char* rejected[] = {"%1$s %s", "%s %1$s", "%3$s", "%s %s %s", "%d", "%2$s", "%x",
                              "%ls", "%*d", "%.*s", "%5%", "trailing %", "%0$s", "%99999999999d"};
    for (const char* format : rejected) {
        Utf16String target("previous");
        Format(target, Utf16String(format), text, 5);
        EXPECT_TRUE(target.IsEmpty()) << format << " gave " << target.ToUtf8();
    }
}

TEST(Format, AnEmptyFormatKeepsTheTargetAndTheTargetMayBeAnArgument) {
    Utf16String target("previous");
    Format(target, Utf16String(), 1);
    EXPECT_EQ(target.ToUtf8(), "previous");
    Format(target, Utf16String("<%s|%s>"), target, target);
    EXPECT_EQ(target.ToUtf8(), "<previous|previous>");
}
