// The importer's two dialogs in a host that runs a Qt application: what the
// options dialog shows and stores, how the results dialog shows the report,
// and screenshots of both under the build tree's screenshots/ folder.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <optional>

#include "ModalDialog.h"
#include "PluginHost.h"
#include "ui/framework/DialogUnits.h"

namespace plugin_tests {
namespace {

using namespace dialog_tests;
using namespace hollin::framework;

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kMergeBox = 3007;
constexpr int kUnitList = 3008;
constexpr int kReportText = 3006;

const char16_t kSection[] = u"3DS Importer";
const char16_t kMergeKey[] = u"ImportMergeCoplanarFaces";
const char16_t kUnitsKey[] = u"ImportUnits";

class Dialogs : public PluginTest {
protected:
    void SetUp() override {
        ASSERT_NE(Entry(), nullptr) << ::dlerror();
        ForgetStoredOptions();
        WithModalDialog([] { Importer().ShowSummary(); }, [](QWidget& dialog) { dialog.close(); });
    }
};

using Answer = std::function<void(QWidget&)>;

// Where a person clicks: on the box itself.
const Answer Tick = [](QWidget& dialog) {
    auto* box = ControlOf<QCheckBox>(dialog, kMergeBox);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
};
const Answer PressOk = [](QWidget& dialog) { QTest::mouseClick(ControlOf(dialog, kOk), Qt::LeftButton); };
const Answer PressCancel = [](QWidget& dialog) { QTest::mouseClick(ControlOf(dialog, kCancel), Qt::LeftButton); };
const Answer PressEscape = [](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
const Answer CloseBox = [](QWidget& dialog) { dialog.close(); };

Answer Choose(int unit) {
    return [unit](QWidget& dialog) { ControlOf<QComboBox>(dialog, kUnitList)->setCurrentIndex(unit); };
}

Answer Then(std::initializer_list<Answer> steps) {
    return [steps = std::vector<Answer>(steps)](QWidget& dialog) {
        for (const Answer& step : steps) step(dialog);
    };
}

struct OptionsCase {
    const char* name;
    std::optional<bool> storedMerge;
    std::optional<int> storedUnits;
    bool shownTicked;
    int shownUnit;  // -1: no unit selected
    Answer answer;
    std::optional<bool> mergeAfter;  // absent: nothing stored
    std::optional<int> unitsAfter;
};

void PrintTo(const OptionsCase& test, std::ostream* out) {
    *out << test.name;
}

class OptionsDialog : public Dialogs, public ::testing::WithParamInterface<OptionsCase> {};

TEST_P(OptionsDialog, OpensWithTheStoredChoicesAndStoresOnlyWhatOkConfirms) {
    const OptionsCase& test = GetParam();
    hollin::prefs::IPreferences& store = hollin::prefs::Get();
    if (test.storedMerge) store.WriteBool(kSection, kMergeKey, *test.storedMerge);
    if (test.storedUnits) store.WriteInt(kSection, kUnitsKey, *test.storedUnits);

    const int shown = WithModalDialog([] { Importer().ShowOptionsDialog(); }, [&](QWidget& dialog) {
        EXPECT_EQ(ControlOf<QCheckBox>(dialog, kMergeBox)->isChecked(), test.shownTicked);
        auto* units = ControlOf<QComboBox>(dialog, kUnitList);
        EXPECT_EQ(units->currentIndex(), test.shownUnit);
        ASSERT_EQ(units->count(), 9);
        EXPECT_EQ(units->itemText(0), "Model Units");
        EXPECT_EQ(units->itemText(7), "Meters");
        EXPECT_FALSE(units->isEditable()) << "a list to choose from, no typing";
        EXPECT_TRUE(ControlOf<QPushButton>(dialog, kOk)->isDefault());
        EXPECT_FALSE(ControlOf<QPushButton>(dialog, kCancel)->isDefault());
        test.answer(dialog);
    });
    EXPECT_EQ(shown, 1);

    EXPECT_EQ(store.HasValue(kSection, kMergeKey), test.mergeAfter.has_value());
    EXPECT_EQ(store.HasValue(kSection, kUnitsKey), test.unitsAfter.has_value());
    EXPECT_EQ(store.ReadBool(kSection, kMergeKey, false), test.mergeAfter.value_or(false));
    EXPECT_EQ(store.ReadInt(kSection, kUnitsKey, 1234), test.unitsAfter.value_or(1234));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OptionsDialog,
    ::testing::Values(
        OptionsCase{"FirstUseOk", {}, {}, false, 0, PressOk, false, 0},
        OptionsCase{"TickMetersOk", {}, {}, false, 0, Then({Tick, Choose(7), PressOk}), true, 7},
        OptionsCase{"StoredChoicesReplaced", true, 5, true, 5, Then({Tick, Choose(2), PressOk}), false, 2},
        OptionsCase{"TickCancel", {}, {}, false, 0, Then({Tick, PressCancel}), {}, {}},
        OptionsCase{"ChangeEscape", true, 2, true, 2, Then({Tick, Choose(8), PressEscape}), true, 2},
        OptionsCase{"ChangeCloseBox", false, 3, false, 3, Then({Tick, Choose(1), CloseBox}), false, 3},
        OptionsCase{"UnitNineOk", {}, 9, false, -1, PressOk, false, -1},
        OptionsCase{"UnitMinusOneOk", {}, -1, false, -1, PressOk, false, -1},
        OptionsCase{"UnitNineChosenAway", {}, 9, false, -1, Then({Choose(1), PressOk}), false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dialogs, TheReportIsShownOnceInTheResultsDialogAndNotPrinted) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    ::testing::internal::CaptureStdout();
    const int shown = WithModalDialog([] { Importer().ShowSummary(); }, [](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Import Results");
        auto* text = ControlOf<QPlainTextEdit>(dialog, kReportText);
        EXPECT_EQ(text->toPlainText().toStdString(), SummaryReport(4, 5, 5));
        EXPECT_EQ(text->document()->blockCount(), 5) << "four lines and the empty one after the last line feed";
        EXPECT_EQ(text->tabStopDistance(), DialogUnitsToPixelsX(32, BaseUnitsOf(dialog.font())));
        EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QTest::keyClicks(text, "typed");
        QTest::keyClick(text, Qt::Key_Delete);
        EXPECT_EQ(text->toPlainText().toStdString(), SummaryReport(4, 5, 5)) << "read-only";
        EXPECT_TRUE(ControlOf<QPushButton>(dialog, kOk)->isDefault());
        EXPECT_EQ(dialog.focusWidget(), ControlOf(dialog, kOk));
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(WithModalDialog([] { Importer().ShowSummary(); }, CloseBox), 0) << "shown once";
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// The language of the locale the test runs in ("fr" for fr_FR.UTF-8), "en"
// in the C locale.
std::string LocaleLanguage() {
    const char* locale = std::getenv("LC_ALL");
    const std::string name = locale != nullptr ? locale : "";
    const std::string language = name.substr(0, name.find_first_of("_.@"));
    return language.empty() || language == "C" || language == "POSIX" ? "en" : language;
}

// Run once for every language that a reviewer should see (see CMakeLists.txt).
TEST_F(Dialogs, ScreenshotsOfBothDialogs) {
    const QDir folder(KV_SCREENSHOT_DIR);
    ASSERT_TRUE(folder.mkpath("."));
    const auto save = [&](const std::string& dialogName) {
        return [&folder, name = dialogName + "-" + LocaleLanguage() + ".png"](QWidget& dialog) {
            // The language's resource library replaced the English templates.
            const QString title = dialog.windowTitle();
            const bool english = title == "3DS Import Options" || title == "Import Results";
            EXPECT_EQ(english, LocaleLanguage() == "en") << title.toStdString();
            EXPECT_TRUE(dialog.grab().save(folder.filePath(QString::fromStdString(name)), "PNG"));
            dialog.close();
        };
    };
    hollin::prefs::Get().WriteBool(kSection, kMergeKey, true);
    hollin::prefs::Get().WriteInt(kSection, kUnitsKey, 7);
    const Answer translatedUnits = [](QWidget& dialog) {
        const auto* units = ControlOf<QComboBox>(dialog, kUnitList);
        EXPECT_EQ(units->itemText(7) == "Meters", LocaleLanguage() == "en") << "the unit names follow the language";
    };
    EXPECT_EQ(WithModalDialog([] { Importer().ShowOptionsDialog(); }, Then({translatedUnits, save("options")})), 1);

    // A real file whose report has errors as well as counts.
    const TemporaryFolder scratch;
    ASSERT_TRUE(Convert("/usr/share/games/gl-117/models/gl-15.3ds", scratch / "gl-15.kvm"));
    EXPECT_EQ(WithModalDialog([] { Importer().ShowSummary(); }, save("report")), 1);
}

}  // namespace
}  // namespace plugin_tests
