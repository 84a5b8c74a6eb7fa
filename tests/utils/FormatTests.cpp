#include <gtest/gtest.h>

#include <climits>

#include "utils/Format.h"

using namespace hollin::utils;

TEST(FormatMarkers, MessageResourceMarkersBecomePositionalConversions) {
    const auto rewrite = [](const char* format) { return RewritePositionalMarkers(Utf16String(format)).ToUtf8(); };
    EXPECT_EQ(rewrite("%2!d! of %1!d!"), "%2$d of %1$d");
    EXPECT_EQ(rewrite("%1 items"), "%1$s items");
    EXPECT_EQ(rewrite("%1. Next"), "%1$s. Next");
    EXPECT_EQ(rewrite("%1.5"), "%1.5");
    EXPECT_EQ(rewrite("100%% %s %d %0"), "100%% %s %d %0");
    EXPECT_EQ(rewrite("%1!-5s!|"), "%1$-5s|");
}

TEST(Format, PositionalArgumentsInAnyOrder) {
    const Utf16String a("first");
    const Utf16String b("second");
    EXPECT_EQ(Formatted("%2!s! and %1!s!", a, b).ToUtf8(), "second and first");
    EXPECT_EQ(Formatted("%2!d! of %1!d!", 10, 3).ToUtf8(), "3 of 10");
    EXPECT_EQ(Formatted("%1 items", Utf16String("7")).ToUtf8(), "7 items");
    EXPECT_EQ(Formatted("%1$d/%1$d", 4).ToUtf8(), "4/4");
    EXPECT_EQ(Formatted("%s=%i", Utf16String("x"), -3).ToUtf8(), "x=-3");
    EXPECT_EQ(Formatted("%s", "caf\xC3\xA9").Units(), u"caf\xE9");  // literal converted for the call
    EXPECT_EQ(Formatted("%s", Utf16String(u"\xD83D\xDE00" "\xD800")).Units(), u"\xD83D\xDE00\xD800");
}

TEST(Format, FlagsWidthAndPrecision) {
    const struct {
        const char* format;
        int value;
        const char* expected;
    } numbers[] = {
        {"[%-5d]", 42, "[42   ]"}, {"[%05d]", -42, "[-0042]"}, {"[%+ d]", 42, "[+42]"}, {"[%06.3d]", 7, "[   007]"},
        {"[%.0d]", 0, "[]"}, {"[%d]", INT_MIN, "[-2147483648]"}, {"100%%: %d", 1, "100%: 1"},
    };
    for (const auto& n : numbers) EXPECT_EQ(Formatted(n.format, n.value).ToUtf8(), n.expected) << n.format;
    const Utf16String text("abc");
    EXPECT_EQ(Formatted("[%4.1s]", text).ToUtf8(), "[   a]");
    EXPECT_EQ(Formatted("[%1$-4.2s]", text).ToUtf8(), "[ab  ]");
    EXPECT_EQ(Formatted("[%05s]", text).ToUtf8(), "[00abc]");
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
