// The user's language from the POSIX locale, and where the host's resources
// for it are looked for, run in a scratch current directory with scratch
// data folders.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "l10n/LanguageSettings.h"

namespace {

using namespace hollin::l10n;

struct LocaleCase {
    const char* locale;
    const char16_t* code;
};

void PrintTo(const LocaleCase& test, std::ostream* out) {
    *out << test.locale;
}

class UserLanguage : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(UserLanguage, ComesFromTheLocaleThroughTheWindowsLanguageNumbers) {
    ::setenv("LC_ALL", "", 1);
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", GetParam().locale, 1);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, UserLanguage,
    ::testing::Values(LocaleCase{"en_US.UTF-8", u"en-US"}, LocaleCase{"en_AU", u"en-GB"}, LocaleCase{"en", u"en-US"},
                      LocaleCase{"C", u"en-US"}, LocaleCase{"POSIX", u"en-US"}, LocaleCase{"zh_SG.GB2312", u"zh-CN"},
                      LocaleCase{"zh_HK", u"zh-TW"}, LocaleCase{"zh_CN", u"zh-CN"}, LocaleCase{"pt_BR", u"pt-BR"},
                      LocaleCase{"pt_PT", u"pt-PT"}, LocaleCase{"fr_CA.UTF-8", u"fr"}, LocaleCase{"de_AT@euro", u"de"},
                      LocaleCase{"ja_JP.UTF-8", u"ja"}, LocaleCase{"he_IL", u"iw"}, LocaleCase{"nn_NO", u"no"},
                      LocaleCase{"fil_PH", u"tl"}, LocaleCase{"et_EE.UTF-8", u"en-US"}, LocaleCase{"xx_YY", u"en-US"}),
    [](const auto& info) {
        std::string name = info.param.locale;
        for (char& character : name) character = std::isalnum(static_cast<unsigned char>(character)) ? character : '_';
        return name;
    });

TEST(UserLanguageVariables, LcAllThenLcMessagesThenLangAndEmptyOnesDoNotCount) {
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"de"));
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"ja"));
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(variable);
    EXPECT_EQ(GetUserLanguageCode(), Utf16String(u"en-US"));
}

class ResourceLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(root_);
        std::filesystem::current_path(root_);
        ::setenv("XDG_DATA_HOME", (root_ / "user").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (root_ / "shared").c_str(), 1);
        ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
        DeleteLanguageSettings();
    }
    void TearDown() override {
        DeleteLanguageSettings();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(root_);
        ::unsetenv("LC_ALL");
    }

    static void Touch(const std::filesystem::path& file) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "marker\n";
    }

    Utf16String Resolved() {
        DeleteLanguageSettings();
        return GetLanguageSettings().resolvedLanguage;
    }

    const std::filesystem::path root_ =
        std::filesystem::temp_directory_path() / ("kv-language-" + std::to_string(::getpid()));
};

TEST_F(ResourceLanguage, IsTheUsersOnlyWhereSomeRootHoldsItsMarker) {
    EXPECT_EQ(Resolved(), Utf16String(u"en-US")) << "no marker anywhere";
    EXPECT_EQ(GetLanguageSettings().userLanguage, Utf16String(u"fr"));
    EXPECT_EQ(GetLanguageSettings().fallbackLanguage, Utf16String(u"en-US"));
    // The search made the data folders on its way.
    EXPECT_TRUE(std::filesystem::is_directory(root_ / "user/Korvanta/Korvanta 2018/Korvanta"));
    EXPECT_TRUE(std::filesystem::is_directory(root_ / "shared/Korvanta/Korvanta 2018/Korvanta"));

    Touch(root_ / "Resources/de/i18n.dat");
    EXPECT_EQ(Resolved(), Utf16String(u"en-US")) << "another language's marker";
    Touch(root_ / "user/Korvanta/Korvanta 2018/Korvanta/Resources/fr/i18n.dat");
    EXPECT_EQ(Resolved(), Utf16String(u"fr"));
    std::filesystem::remove_all(root_ / "user/Korvanta");
    Touch(root_ / "i18n.dat");
    EXPECT_EQ(Resolved(), Utf16String(u"fr")) << "a marker at a root counts for every language";

    // Resource files themselves are looked for beside the host program only.
    Touch(root_ / "Resources/fr/3ds_importer.strings");
    EXPECT_TRUE(ResolveResourcePath(u"3ds_importer.strings").IsEmpty());
    EXPECT_EQ(FindResourceFile(u"3ds_importer.strings", u"Resources/fr"),
              Utf16String(u"Resources/fr/3ds_importer.strings"));
}

}  // namespace
