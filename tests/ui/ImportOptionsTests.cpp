#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Preferences.h"
#include "ui/StoredOptions.h"

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

}  // namespace
