#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <string>

#include "utils/Utf16String.h"

using namespace hollin::utils;

TEST(Utf16String, SlicingClampsItsArguments) {
    const Utf16String text("abcdef");
    EXPECT_EQ(text.Mid(4, 100).ToUtf8(), "ef");
    EXPECT_EQ(text.Mid(-5, 2).ToUtf8(), "ab");
    EXPECT_TRUE(text.Mid(2, -1).IsEmpty());
    EXPECT_TRUE(text.Mid(INT32_MAX, INT32_MAX).IsEmpty());
    EXPECT_EQ(text.Mid(1, INT32_MAX).ToUtf8(), "bcdef");
    EXPECT_EQ(text.Left(6).ToUtf8(), "abcdef");
    EXPECT_TRUE(text.Left(-1).IsEmpty());
    EXPECT_EQ(text.Right(60).ToUtf8(), "abcdef");
    EXPECT_TRUE(text.Right(-3).IsEmpty());
}

TEST(Utf16String, FindsForwardAndBackward) {
    const Utf16String text("a/b/c");
    EXPECT_EQ(text.Find(u'/', 2), 3);
    EXPECT_EQ(text.Find(u'/', 4), Utf16String::npos);
    EXPECT_EQ(text.Find(Utf16String("b/c")), 2);
    EXPECT_EQ(text.Find(Utf16String("b/c"), 3), Utf16String::npos);
    EXPECT_EQ(text.ReverseFind(Utf16String("/"), 2), 1);
    EXPECT_EQ(text.ReverseFind(Utf16String("/"), 0), Utf16String::npos);
}

TEST(Utf16String, AtReachesTheTerminatorAndNoFurther) {
    const Utf16String text("ab");
    EXPECT_EQ(text.At(2), u'\0');
    try {
        (void)text.At(3);
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "invalid string position");
    }
}

TEST(Utf16String, ComparesByUnsignedUnitThenLength) {
    const Utf16String high(u"\xFF00");
    const Utf16String surrogate(u"\xD83D\xDE00");  // U+1F600, yet its first unit is below U+FF00
    EXPECT_LT(Utf16String("A"), high);
    EXPECT_LT(surrogate, high);
    EXPECT_LT(Utf16String("ab"), Utf16String("abc"));
    EXPECT_LT(Utf16String("abc"), Utf16String("b"));
    EXPECT_GT(Utf16String("b").Compare(Utf16String("abc")), 0);
}

TEST(Utf16String, ReplaceAllNeverRescansReplacements) {
    Utf16String text("///");
    EXPECT_EQ(text.ReplaceAll(Utf16String("//"), Utf16String("/")), 1);
    EXPECT_EQ(text.ToUtf8(), "//");
    Utf16String grow("aXa");
    EXPECT_EQ(grow.ReplaceAll(Utf16String("a"), Utf16String("aa")), 2);
    EXPECT_EQ(grow.ToUtf8(), "aaXaa");
    Utf16String same("abab");
    EXPECT_EQ(same.ReplaceAll(Utf16String("ab"), Utf16String("ab")), 0);
    EXPECT_EQ(same.ReplaceAll(Utf16String(""), Utf16String("x")), 0);
    EXPECT_EQ(same.ToUtf8(), "abab");
}

TEST(Utf16String, ConcatenatesWithUtf8Literals) {
    const Utf16String name("caf\xC3\xA9");
    EXPECT_TRUE(("<" + name + ">").EqualsUtf8("<caf\xC3\xA9>"));
    EXPECT_FALSE(name.EqualsUtf8("cafe"));
    Utf16String text;
    text += name;
    text.Append(u'!').Append(static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(text.Units(), u"caf\xE9!");
    EXPECT_TRUE(Utf16String(static_cast<const char16_t*>(nullptr)).IsEmpty());
}

TEST(Utf16String, FromLocaleDecodesTheCurrentLocale) {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
    EXPECT_EQ(Utf16String::FromLocale("x\xC3\xA9\xF0\x9F\x98\x80").Units(), u"x\xE9\xD83D\xDE00");
    EXPECT_TRUE(Utf16String::FromLocale("x\xFF").IsEmpty());
    std::setlocale(LC_CTYPE, previous.c_str());
}
