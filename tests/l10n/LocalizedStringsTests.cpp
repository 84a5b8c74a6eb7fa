// The table of translations: looked up by the whole key, in the locale's
// encoding too, and read from its file, the same entries in every encoding
// the reader knows, passing over the lines it cannot take.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

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

class LocalizedStrings : public ::testing::Test {
protected:
    void SetUp() override { GetLocalizedStringTable().clear(); }
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

// A key is translated only when it matches exactly; otherwise the English
// text comes back.
TEST_F(LocalizedStrings, TranslationsMatchTheWholeKeyExactly) {
    EXPECT_EQ(GetLocalizedString("Feet"), Utf16String(u"Feet"));
    auto& table = GetLocalizedStringTable();
    table[Utf16String(u"Feet")] = Utf16String(u"Fu\u00DF");
    table[Utf16String(u"Meters")] = Utf16String();
    table[Utf16String(u"")] = Utf16String(u"never used");
    // A deliberately empty translation is a translation, not a miss.
    const std::pair<const char*, const char16_t*> lookups[] = {
        {"Feet", u"Fu\u00DF"}, {"feet", u"feet"}, {"Feet ", u"Feet "}, {"Fee", u"Fee"},
        {"Meters", u""},       {"", u""},         {nullptr, u""},
    };
    for (const auto& [key, text] : lookups) EXPECT_EQ(GetLocalizedString(key), Utf16String(text)) << (key ? key : "null");
}

// No key in the code is anything but ASCII; a key in the locale's own
// encoding is still looked up, in a Latin-1 locale built for the test (only
// C and C.UTF-8 are usually installed). Each test runs in its own process.
TEST_F(LocalizedStrings, NonUtf8KeysAreDecodedInTheCurrentLocale) {
    const TemporaryFolder localeRoot;
    // Warnings about missing categories give a non-zero status.
    RunProcess("localedef", {"-i", "POSIX", "-f", "ISO-8859-1", (localeRoot / "POSIX.ISO-8859-1").string()});
    ::setenv("LOCPATH", localeRoot.Path().c_str(), 1);
    if (std::setlocale(LC_ALL, "POSIX.ISO-8859-1") == nullptr) GTEST_SKIP() << "localedef could not build the locale";
    GetLocalizedStringTable()[Utf16String(u"caf\u00E9")] = Utf16String(u"coffee");
    EXPECT_EQ(GetLocalizedString("caf\xE9"), Utf16String(u"coffee"));
    EXPECT_EQ(GetLocalizedString("th\xE9"), Utf16String(u"th\u00E9"));
    // In the C locale the same bytes decode to nothing, and nothing is looked up.
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(GetLocalizedString("caf\xE9").IsEmpty());
}

// The same entries in every encoding; a Latin-1 byte spoils its own line
// only, and U+2028 ends a line in UTF-16 only.
TEST_F(LocalizedStrings, LoadsEveryEncodingAndSkipsUndecodableLines) {
    const std::string separated = "\"A\" = \"1\"\xE2\x80\xA8\"B\" = \"2\"\n";
    const std::tuple<const char*, std::string, TextEncoding, LocalizedStringTable> saved[] = {
        {"UTF-8", kEntries, Plain, kExpected},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + kEntries, Utf8Bom, kExpected},
        {"UTF-16 little-endian", Utf16Bytes(kEntries, false), Utf16, kExpected},
        {"UTF-16 big-endian", Utf16Bytes(kEntries, true), Utf16, kExpected},
        {"Latin-1", "\"Caf\xE9\" = \"x\"\n\"Tea\" = \"Th\xC3\xA9\"\n", Plain, {{u"Tea", u"Th\u00E9"}}},
        {"UTF-16 line separator", Utf16Bytes(separated, false), Utf16, {{u"A", u"1"}, {u"B", u"2"}}},
        {"UTF-8 line separator", separated, Plain, {{u"A", u"1"}}},
    };
    for (const auto& [name, bytes, encoding, expected] : saved) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Load(bytes));
        EXPECT_EQ(GetLocalizedStringTable(), expected);
        CTextFile file;
        ASSERT_TRUE(file.Open(Utf16String::FromUtf8(file_)));
        EXPECT_EQ(file.Encoding(), encoding);
    }
}

TEST_F(LocalizedStrings, RefusesTinyFilesAndFilesItCannotOpen) {
    for (const std::string& tiny : {std::string(), std::string("\""), std::string("\xFF\xFF\"A\"=\"1\"\n")}) {
        EXPECT_FALSE(Load(tiny)) << tiny.size() << " bytes";
    }
    EXPECT_FALSE(LoadLocalizedStrings(u""));
    EXPECT_FALSE(LoadLocalizedStrings(u"/no/such/file.strings"));
}

}  // namespace
