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

// Sequences at both ends of every range of the legality table round-trip;
// one illegal or truncated sequence anywhere makes the whole text empty.
// Surrogates encode and decode as themselves, paired or not; strict mode
// refuses lone ones both ways.
TEST(Utf8Conversion, LegalSequencesRoundTripAnyOtherEmptiesTheTextAndStrictModeRejectsLoneSurrogates) {
    const struct {
        std::string bytes;
        std::u16string units;
        std::int64_t error = 0;
        bool loneSurrogate = false;
    } cases[] = {
        {"\x7F", u"\x7F"}, {"\xC2\x80", u"\x80"}, {"\xDF\xBF", u"\x7FF"}, {"\xE0\xA0\x80", u"\x800"},
        {"\xEF\xBF\xBF", u"\xFFFF"}, {"\xF0\x90\x80\x80", u"\U00010000"}, {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"}, {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\xED\xA0\x80", u"\xD800", 0, true}, {"\xED\xBF\xBF", u"\xDFFF", 0, true},
        {"\xED\xA0\x80x", u"\xD800x", 0, true}, {"\xED\xB8\x80\xED\xA0\xBD", u"\xDE00\xD83D", 0, true},
        {"a\xED\xAF\xBF" "b", u"a\xDBFF" "b", 0, true},
        // A continuation byte as lead, an overlong NUL, trailing bytes too small
        // or too large, overlongs below the E0 and F0 limits, a last byte that is
        // no continuation, a code point above U+10FFFF and leads above F4.
        {"\x80", u"", kIllegalInput}, {"\xC0\x80", u"", kIllegalInput}, {"\xC2\x7F", u"", kIllegalInput},
        {"\xC2\xC0", u"", kIllegalInput}, {"\xE0\x9F\xBF", u"", kIllegalInput},
        {"\xF0\x8F\xBF\xBF", u"", kIllegalInput}, {"\xE1\x80\x7F", u"", kIllegalInput},
        {"\xF4\x90\x80\x80", u"", kIllegalInput}, {"\xF5\x80\x80\x80", u"", kIllegalInput},
        {"\xFF\x80\x80\x80\x80\x80", u"", kIllegalInput},
        {"abc\xC3", u"", kTruncatedInput}, {"abc\xE2\x82", u"", kTruncatedInput},
        {"abc\xF0\x9F\x98", u"", kTruncatedInput}, {"abc\xED\xA0", u"", kTruncatedInput},
        // In the middle, the next byte is taken as the missing trailing byte.
        {"\xC3" "abc", u"", kIllegalInput}, {"\xF0\x9F\x98" "abc", u"", kIllegalInput},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Count(c.bytes), c.error != 0 ? c.error : static_cast<std::int64_t>(c.units.size()));
        EXPECT_EQ(Utf16String::FromUtf8(std::string_view("ok" + c.bytes)).Units(), c.error != 0 ? u"" : u"ok" + c.units);
        if (c.error != 0) continue;
        const auto strict = [&c](std::size_t length) { return c.loneSurrogate ? kIllegalInput : std::int64_t(length); };
        EXPECT_EQ(Utf16String(c.units).ToUtf8(), c.bytes);
        EXPECT_EQ(Utf8LengthOf(c.units.data(), c.units.size(), ConversionMode::Lenient), std::int64_t(c.bytes.size()));
        EXPECT_EQ(Utf8LengthOf(c.units.data(), c.units.size(), ConversionMode::Strict), strict(c.bytes.size()));
        EXPECT_EQ(EncodeUtf8(c.units.data(), c.units.size(), ConversionMode::Strict).empty(), c.loneSurrogate);
        EXPECT_EQ(Count(c.bytes, ConversionMode::Strict), strict(c.units.size()));
        EXPECT_EQ(DecodeUtf8(c.bytes.data(), c.bytes.size(), ConversionMode::Strict).empty(), c.loneSurrogate);
    }
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
