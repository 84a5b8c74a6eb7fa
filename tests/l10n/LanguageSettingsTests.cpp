// The user's language from the POSIX locale, and where the host's resources
// for it are looked for, run in a scratch current directory with scratch
// data folders.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "ProcessRunner.h"
#include "l10n/LanguageSettings.h"

namespace {

using namespace hollin::l10n;

// LANG's locales one by one, then LC_MESSAGES over LANG and LC_ALL over
// both; empty ones do not count.
TEST(UserLanguage, ComesFromLcAllThenLcMessagesThenLangThroughTheWindowsLanguageNumbers) {
    const std::pair<const char*, const char16_t*> locales[] = {
        {"en_US.UTF-8", u"en-US"}, {"en_AU", u"en-GB"}, {"en", u"en-US"}, {"C", u"en-US"},
        {"POSIX", u"en-US"}, {"zh_SG.GB2312", u"zh-CN"}, {"zh_HK", u"zh-TW"}, {"zh_CN", u"zh-CN"},
        {"pt_BR", u"pt-BR"}, {"pt_PT", u"pt-PT"}, {"fr_CA.UTF-8", u"fr"}, {"de_AT@euro", u"de"},
        {"ja_JP.UTF-8", u"ja"}, {"he_IL", u"iw"}, {"nn_NO", u"no"}, {"fil_PH", u"tl"},
        {"et_EE.UTF-8", u"en-US"}, {"xx_YY", u"en-US"}, {"fr_FR.UTF-8", u"fr"},
    };
    ::setenv("LC_ALL", "", 1);
    ::unsetenv("LC_MESSAGES");
    for (const auto& [locale, code] : locales) {
        ::setenv("LANG", locale, 1);
        EXPECT_EQ(GetUserLanguageCode(), Utf16String(code)) << locale;
    }
    ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"de"));
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"ja"));
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(variable);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"en-US"));
}

TEST(ResourceLanguage, IsTheUsersOnlyWhereSomeRootHoldsItsMarker) {
    const TemporaryFolder root;
    std::filesystem::current_path(root.Path());
    ::setenv("XDG_DATA_HOME", (root / "user").c_str(), 1);
    ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
    const auto resolved = [] {
        DeleteLanguageSettings();
        return GetLanguageSettings().resolvedLanguage;
    };

    EXPECT_EQ(resolved(), Utf16String(u"en-US")) << "no marker anywhere";
    EXPECT_EQ(GetLanguageSettings().userLanguage, Utf16String(u"fr"));
    // The search made the data folders on its way: the user's, and the
    // shared one in the installation (this test's build folder).
    EXPECT_TRUE(std::filesystem::is_directory(root / "user/Korvanta/Korvanta 2018/Korvanta"));
    const std::filesystem::path installation = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    EXPECT_EQ(GetSharedDataFolder(u"Korvanta").ToUtf8(), (installation / "share/Korvanta/Korvanta 2018/Korvanta").string());
    EXPECT_TRUE(std::filesystem::is_directory(installation / "share/Korvanta/Korvanta 2018/Korvanta"));
    WriteFile(root / "Resources/de/i18n.dat", "marker\n");
    EXPECT_EQ(resolved(), Utf16String(u"en-US")) << "another language's marker";
    WriteFile(root / "user/Korvanta/Korvanta 2018/Korvanta/Resources/fr/i18n.dat", "marker\n");
    EXPECT_EQ(resolved(), Utf16String(u"fr"));
    std::filesystem::remove_all(root / "user/Korvanta");
    WriteFile(root / "i18n.dat", "marker\n");
    EXPECT_EQ(resolved(), Utf16String(u"en-US")) << "the current folder is no root";

    // Resource files themselves are looked for beside the host program only.
    WriteFile(root / "Resources/fr/3ds_importer.strings", "");
    EXPECT_TRUE(ResolveResourcePath(u"3ds_importer.strings").IsEmpty());
    EXPECT_TRUE(FindResourceFile(u"3ds_importer.strings", u"Resources/fr").IsEmpty()) << "nor in the current folder";

    DeleteLanguageSettings();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    ::unsetenv("LC_ALL");
}

}  // namespace
