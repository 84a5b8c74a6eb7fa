#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <utility>

#include "ProcessRunner.h"
#include "l10n/LocalizedStrings.h"

namespace {

using hollin::l10n::GetLocalizedString;
using hollin::l10n::GetLocalizedStringTable;
using hollin::utils::Utf16String;

class LocalizedStringLookup : public ::testing::Test {
protected:
    void SetUp() override { GetLocalizedStringTable().clear(); }
};

// A key is translated only when it matches exactly; otherwise the English
// text comes back.
TEST_F(LocalizedStringLookup, TranslationsMatchTheWholeKeyExactly) {
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
TEST_F(LocalizedStringLookup, NonUtf8KeysAreDecodedInTheCurrentLocale) {
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

}  // namespace
