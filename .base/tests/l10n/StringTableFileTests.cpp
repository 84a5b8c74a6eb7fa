// The string table file: the same entries in every encoding the reader
// knows, and the lines it passes over.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "ProcessRunner.h"
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

class StringTableFile : public ::testing::Test {
protected:
    void TearDown() override { GetLocalizedStringTable().clear(); }

    // Loads `bytes` saved as a file into an emptied table.
    bool Load(const std::string& bytes) {
        GetLocalizedStringTable().clear();
        WriteFile(file_, bytes);
        return LoadLocalizedStrings(Utf16String::FromUtf8(file_));
    }

    const TemporaryFolder folder_;
    const std::string file_ = (folder_ / "3ds_importer.strings").string();
};

TEST_F(StringTableFile, LoadsTheSameEntriesInEveryEncoding) {
    const std::tuple<const char*, std::string, TextEncoding> saved[] = {
        {"UTF-8", kEntries, Plain},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + kEntries, Utf8Bom},
        {"UTF-16 little-endian", Utf16Bytes(kEntries, false), Utf16},
        {"UTF-16 big-endian", Utf16Bytes(kEntries, true), Utf16},
    };
    for (const auto& [name, bytes, encoding] : saved) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Load(bytes));
        EXPECT_EQ(GetLocalizedStringTable(), kExpected);
        CTextFile file;
        ASSERT_TRUE(file.Open(Utf16String::FromUtf8(file_)));
        EXPECT_EQ(file.Encoding(), encoding);
    }
}

TEST_F(StringTableFile, SkipsUndecodableLinesSplitsUtf16AtLineSeparatorsAndRefusesTinyFiles) {
    // A Latin-1 byte spoils its own line only.
    ASSERT_TRUE(Load("\"Caf\xE9\" = \"x\"\n\"Tea\" = \"Th\xC3\xA9\"\n"));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"Tea", u"Th\u00E9"}}));

    // U+2028 ends a line in UTF-16 only.
    const std::string separated = "\"A\" = \"1\"\xE2\x80\xA8\"B\" = \"2\"\n";
    ASSERT_TRUE(Load(Utf16Bytes(separated, false)));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"A", u"1"}, {u"B", u"2"}}));
    ASSERT_TRUE(Load(separated));
    EXPECT_EQ(GetLocalizedStringTable(), (LocalizedStringTable{{u"A", u"1"}}));

    for (const std::string& tiny : {std::string(), std::string("\""), std::string("\xFF\xFF\"A\"=\"1\"\n")}) {
        EXPECT_FALSE(Load(tiny)) << tiny.size() << " bytes";
    }
    EXPECT_FALSE(LoadLocalizedStrings(u""));
    EXPECT_FALSE(LoadLocalizedStrings(u"/no/such/file.strings"));
}

}  // namespace
