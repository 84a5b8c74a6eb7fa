#include <gtest/gtest.h>

#include <string>

#include "utils/Utf16String.h"
#include "utils/Utf8Conversion.h"

using namespace hollin::utils;

namespace {

std::int64_t Count(const std::string& bytes, ConversionMode mode = ConversionMode::Lenient) {
    return Utf16LengthOf(bytes.data(), bytes.size(), mode);
}

}  // namespace

// Sequences at both ends of every range of the legality table.
TEST(Utf8Decoding, LegalBoundarySequencesRoundTrip) {
    const struct {
        std::string bytes;
        std::u16string units;
    } cases[] = {
        {"\x7F", u"\x7F"}, {"\xC2\x80", u"\x80"}, {"\xDF\xBF", u"\x7FF"}, {"\xE0\xA0\x80", u"\x800"},
        {"\xEF\xBF\xBF", u"\xFFFF"}, {"\xF0\x90\x80\x80", u"\U00010000"}, {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"}, {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        // Encoded surrogates pass as themselves.
        {"\xED\xA0\x80", u"\xD800"}, {"\xED\xBF\xBF", u"\xDFFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Count(c.bytes), static_cast<std::int64_t>(c.units.size()));
        EXPECT_EQ(Utf16String::FromUtf8(std::string_view(c.bytes)).Units(), c.units);
        EXPECT_EQ(Utf16String(c.units).ToUtf8(), c.bytes);
    }
}

TEST(Utf8Decoding, IllegalOrTruncatedSequencesMakeTheWholeTextEmpty) {
    // A continuation byte as lead, an overlong NUL, trailing bytes too small
    // or too large, overlongs below the E0 and F0 limits, a last byte that is
    // no continuation, a code point above U+10FFFF and leads above F4.
    const std::string illegal[] = {"\x80", "\xC0\x80", "\xC2\x7F", "\xC2\xC0", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",
                                   "\xE1\x80\x7F", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF\x80\x80\x80\x80\x80"};
    for (const std::string& bad : illegal) {
        SCOPED_TRACE(testing::PrintToString(bad));
        EXPECT_EQ(Count(bad), kIllegalInput);
        EXPECT_TRUE(Utf16String::FromUtf8(std::string_view("ok" + bad + "ok")).IsEmpty());
    }
    for (const std::string cut : {"\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xED\xA0"}) {
        EXPECT_EQ(Count("abc" + cut), kTruncatedInput);
        EXPECT_TRUE(Utf16String(("abc" + cut).c_str()).IsEmpty());
        // In the middle, the next byte is taken as the missing trailing byte: illegal.
        EXPECT_TRUE(Utf16String::FromUtf8(std::string_view(cut + "abc")).IsEmpty());
    }
    EXPECT_TRUE(Utf16String("abc\xE2\x82\xAC", 5).IsEmpty());  // the byte count cuts the euro sign
}

TEST(Utf8Encoding, SurrogatesPairOrStandAloneAndStrictModeRejectsThem) {
    EXPECT_EQ(Utf16String(u"\xD83D\xDE00").ToUtf8(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16String(u"\xD800").ToUtf8(), "\xED\xA0\x80");                    // high at the end
    EXPECT_EQ(Utf16String(u"\xD800x").ToUtf8(), "\xED\xA0\x80x");                  // high before a non-surrogate
    EXPECT_EQ(Utf16String(u"\xDE00\xD83D").ToUtf8(), "\xED\xB8\x80\xED\xA0\xBD");  // reversed pair
    // Lone surrogates survive the round trip through UTF-8.
    EXPECT_EQ(Utf16String(Utf16String(u"a\xDBFF" "b").ToUtf8().c_str()).Units(), u"a\xDBFF" "b");

    const std::u16string lone = u"\xDC00";
    EXPECT_EQ(Utf8LengthOf(lone.data(), 1, ConversionMode::Lenient), 3);
    EXPECT_EQ(Utf8LengthOf(lone.data(), 1, ConversionMode::Strict), kIllegalInput);
    EXPECT_TRUE(EncodeUtf8(lone.data(), 1, ConversionMode::Strict).empty());
    EXPECT_EQ(Count("\xED\xA0\x80", ConversionMode::Strict), kIllegalInput);
    EXPECT_TRUE(DecodeUtf8("\xED\xA0\x80", 3, ConversionMode::Strict).empty());
}

// Names from files: UTF-8 stays as it is; anything that is not UTF-8
// through and through is Windows-1252, every byte of it, so no byte is lost
// and the result is always UTF-8 a JSON writer accepts.
TEST(LegacyText, ValidUtf8IsKeptAndAnythingElseIsWindows1252) {
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"Default", "Default"},
        {"M\xC3\xA9tal \xE2\x82\xAC \xF0\x9F\x98\x80", "M\xC3\xA9tal \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"D\xE9" "fault", "D\xC3\xA9" "fault"},
        {"W\xE4nde", "W\xC3\xA4nde"},
        // The 0x80 to 0x9F row, where Windows-1252 is not Latin-1, and a byte it leaves undefined.
        {"\x80\x8A\x9F\x81", "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC2\x81"},
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
        // One stray byte makes the whole name Windows-1252, the UTF-8 before it too.
        {"\xC3\xA4\xE9", "\xC3\x83\xC2\xA4\xC3\xA9"},
        // Encoded surrogates and a truncated sequence are not UTF-8 either.
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"abc\xE2\x82", "abc\xC3\xA2\xE2\x80\x9A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8FromUtf8OrWindows1252(c.bytes), c.utf8) << testing::PrintToString(c.bytes);
        EXPECT_GE(Count(c.utf8, ConversionMode::Strict), 0) << testing::PrintToString(c.bytes);
    }
}
