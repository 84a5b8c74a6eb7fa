#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Preferences.h"
#include "l10n/LocalizedStrings.h"
#include "ui/StoredOptions.h"
#include "ui/UnitNames.h"

namespace {

using hollin::ui::kMergeCoplanarFacesKey;
using hollin::ui::kPreferenceSection;
using hollin::ui::kUnitsKey;
using hollin::utils::Utf16String;
using hollin::utils::Variant;

const Utf16String kMerge(kMergeCoplanarFacesKey);
const Utf16String kUnits(kUnitsKey);
const Utf16String kSection(kPreferenceSection);

// The store is created on first use from XDG_CONFIG_HOME, so point that at a
// private folder before any test touches it, and start every test with both
// keys absent.
class ImportOptionsStore : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        configHome_ = std::filesystem::temp_directory_path() / ("kv-ui-tests-" + std::to_string(::getpid()));
        std::filesystem::create_directories(configHome_);
        ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(configHome_); }

    void SetUp() override {
        Store().Remove(kSection, kMerge);
        Store().Remove(kSection, kUnits);
    }

    static hollin::prefs::IPreferences& Store() { return hollin::prefs::Get(); }

    static std::filesystem::path configHome_;
};

std::filesystem::path ImportOptionsStore::configHome_;

TEST_F(ImportOptionsStore, WritingMissingOrMistypedValuesStoresFalseAndZero) {
    Store().WriteBool(kSection, kMerge, true);
    Store().WriteInt(kSection, kUnits, 5);

    ImportOptions empty;
    hollin::ui::WriteStoredOptions(empty);
    EXPECT_FALSE(Store().ReadBool(kSection, kMerge, true));
    EXPECT_EQ(Store().ReadInt(kSection, kUnits, -1), 0);
    ASSERT_EQ(empty.size(), 2u);
    EXPECT_EQ(empty.at(kMerge).GetType(), Variant::Empty);
    EXPECT_EQ(empty.at(kUnits).GetType(), Variant::Empty);

    Store().WriteInt(kSection, kUnits, 5);
    ImportOptions boolUnits{{kUnits, Variant(true)}};
    hollin::ui::WriteStoredOptions(boolUnits);
    EXPECT_EQ(Store().ReadInt(kSection, kUnits, -1), 0);
}

TEST(UnitNames, NineLocalizedNamesAndNothingOutsideThem) {
    const auto names = hollin::ui::UnitNames();
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names[0], Utf16String(u"Model Units"));
    EXPECT_EQ(names[2], Utf16String(u"Feet"));
    EXPECT_EQ(names[7], Utf16String(u"Meters"));
    EXPECT_EQ(names[8], Utf16String(u"Kilometers"));
    EXPECT_TRUE(hollin::ui::UnitName(9).IsEmpty());
    EXPECT_TRUE(hollin::ui::UnitName(-1).IsEmpty());

    auto& table = hollin::l10n::GetLocalizedStringTable();
    table[Utf16String(u"Meters")] = Utf16String(u"M\u00E8tres");
    EXPECT_EQ(hollin::ui::UnitNames()[7], Utf16String(u"M\u00E8tres"));
    table.clear();
}

}  // namespace
