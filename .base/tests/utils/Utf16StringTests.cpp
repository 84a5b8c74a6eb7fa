#include <gmock/gmock.h>

#include <string>

#include "utils/Utf16String.h"

using namespace hollin::utils;

TEST(Utf16String, SlicingAndSearchingClampTheirArguments) {
    const Utf16String text("a/b/cd");
    EXPECT_EQ(text.Mid(-5, 2).ToUtf8(), "a/");
    EXPECT_TRUE(text.Mid(INT32_MAX, INT32_MAX).IsEmpty());
    EXPECT_EQ(text.Mid(1, INT32_MAX).ToUtf8(), "/b/cd");
    EXPECT_EQ(text.Right(60).ToUtf8(), "a/b/cd");
    EXPECT_EQ(text.ReverseFind(Utf16String("/"), 2), 1);
    EXPECT_EQ(text.ReverseFind(Utf16String("/"), 0), Utf16String::npos);
    EXPECT_EQ(text.At(6), u'\0');
    EXPECT_THAT([&] { (void)text.At(7); },
                testing::ThrowsMessage<std::out_of_range>(testing::StrEq("invalid string position")));
}

TEST(Utf16String, ComparesByUnsignedUnitThenLength) {
    const Utf16String high(u"\xFF00");
    EXPECT_LT(Utf16String("A"), high);
    EXPECT_LT(Utf16String(u"\xD83D\xDE00"), high);  // U+1F600, yet its first unit is below U+FF00
    EXPECT_LT(Utf16String("ab"), Utf16String("abc"));
    EXPECT_GT(Utf16String("b").Compare(Utf16String("abc")), 0);
}

TEST(Utf16String, ReplaceAllNeverRescansReplacements) {
    Utf16String text("///");
    EXPECT_EQ(text.ReplaceAll(Utf16String("//"), Utf16String("/")), 1);
    EXPECT_EQ(text.ToUtf8(), "//");
    Utf16String grow("aXa");
    EXPECT_EQ(grow.ReplaceAll(Utf16String("a"), Utf16String("aa")), 2);
    EXPECT_EQ(grow.ToUtf8(), "aaXaa");
    EXPECT_EQ(grow.ReplaceAll(Utf16String("aa"), Utf16String("aa")), 0);
    EXPECT_EQ(grow.ReplaceAll(Utf16String(""), Utf16String("x")), 0);
    EXPECT_EQ(grow.ToUtf8(), "aaXaa");
}
