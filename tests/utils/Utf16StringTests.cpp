#include <gtest/gtest.h>

#include "utils/Format.h"
#include "utils/Paths.h"
#include "utils/Utf16String.h"
#include "utils/Variant.h"

using namespace hollin::utils;

TEST(Smoke, Basics) {
    EXPECT_EQ(Utf16String("h\xc3\xa9").ToUtf8(), "h\xc3\xa9");
    EXPECT_EQ(Formatted("%2!s! %1!d!", 7, Utf16String("x")).ToUtf8(), "x 7");
    EXPECT_EQ(NormalizePath("D:\\Data\\\\x\\").ToUtf8(), "D:/Data/x");
    Variant v(VariantVector{Variant(1), Variant(Utf16String("a"))});
    v = v.GetVectorElement(1);
    EXPECT_EQ(v.AsString().ToUtf8(), "a");
}
