// The string table file: the same entries in every encoding the reader
// knows, and the lines it passes over.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "l10n/CTextFile.h"
#include "l10n/LocalizedStrings.h"
#include "l10n/StringTableFile.h"

namespace {

using namespace hollin::l10n;

// Lines that the reader must take apart; the comment line fills exactly one
// read, so that the entry after it on the same line is read as a line of its own.
const std::string kEntries = "// comment\n"
                             "\"Feet\" = \"Fu\xC3\x9F\";\n" +
                             std::string(4095, '/') + "\"Split\" = \"yes\"\n"
                             "  \"Indented\" = \"ignored\";\n"
                             "\"Key alone\"\n"
                             "\"Escapes \\t\\r\\n\" = \"a\\\\nb\\x\" trailing words\r\n"
                             "\"Feet\" = \"second\";\n"
                             "\" Spaces \"=\" kept \"\n"
                             "\"Units:\" = \"\xE5\x8D\x95\xE4\xBD\x8D\xEF\xBC\x9A\"";

const LocalizedStringTable kExpected = {
    {u"Feet", u"Fu\u00DF"},
    {u"Split", u"yes"},
    {u"Key alone", u""},
    {u"Escapes \t\r\n", u"a\\\nb\\x"},
    {u" Spaces ", u" kept "},
    {u"Units:", u"\u5355\u4F4D\uFF1A"},
};

std::string Utf16Bytes(const std::string& utf8, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const Utf16String text = Utf16String::FromUtf8(utf8);
    for (const char16_t unit : text.Units()) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

struct Saved {
    const char* name;
    TextEncoding encoding;
    std::string (*bytes)(const std::string& utf8);
};

void PrintTo(const Saved& saved, std::ostream* out) {
    *out << saved.name;
}

class StringTableFile : public ::testing::TestWithParam<Saved> {
protected:
    void SetUp() override { GetLocalizedStringTable().clear(); }
    void TearDown() override {
        GetLocalizedStringTable().clear();
        std::filesystem::remove(path_);
    }

    Utf16String Save(const std::string& bytes) const {
        std::ofstream(path_, std::ios::binary) << bytes;
        return Utf16String::FromUtf8(path_.string());
    }

    const std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("kv-strings-" + std::to_string(::getpid()) + ".strings");
};

TEST_P(StringTableFile, LoadsTheSameEntriesInEveryEncoding) {
    const Utf16String path = Save(GetParam().bytes(kEntries));
    CTextFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Encoding(), GetParam().encoding);
    ASSERT_TRUE(LoadLocalizedStrings(path));
    EXPECT_EQ(GetLocalizedStringTable(), kExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, StringTableFile,
    ::testing::Values(
        Saved{"Utf8", Plain, [](const std::string& text) { return text; }},
        Saved{"Utf8WithMark", Utf8Bom, [](const std::string& text) { return "\xEF\xBB\xBF" + text; }},
        Saved{"Utf16LittleEndian", Utf16, [](const std::string& text) { return Utf16Bytes(text, false); }},
        Saved{"Utf16BigEndian", Utf16, [](const std::string& text) { return Utf16Bytes(text, true); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StringTableFile, SkipsUndecodableLinesSplitsUtf16AtLineSeparatorsAndRefusesTinyFiles) {
    // A Latin-1 byte spoils its own line only.
    ASSERT_TRUE(LoadLocalizedStrings(Save("\"Caf\xE9\" = \"x\"\n\"Tea\" = \"Th\xC3\xA9\"\n")));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"Tea", u"Th\u00E9"}}));

    // U+2028 ends a line in UTF-16 only.
    const std::string separated = "\"A\" = \"1\"\xE2\x80\xA8\"B\" = \"2\"\n";
    GetLocalizedStringTable().clear();
    ASSERT_TRUE(LoadLocalizedStrings(Save(Utf16Bytes(separated, false))));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"A", u"1"}, {u"B", u"2"}}));
    GetLocalizedStringTable().clear();
    ASSERT_TRUE(LoadLocalizedStrings(Save(separated)));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"A", u"1"}}));

    for (const std::string& tiny : {std::string(), std::string("\""), std::string("\xFF\xFF\"A\"=\"1\"\n")}) {
        EXPECT_FALSE(LoadLocalizedStrings(Save(tiny))) << tiny.size() << " bytes";
    }
    EXPECT_FALSE(LoadLocalizedStrings(u""));
    EXPECT_FALSE(LoadLocalizedStrings(u"/no/such/file.strings"));
}

}  // namespace
