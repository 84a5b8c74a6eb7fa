// The importer's two dialogs in a host that runs a Qt application, as the
// user meets them: their controls placed by dialog units and the Tab key's
// order, what the options dialog shows and stores, how the results dialog
// shows the report, and screenshots of both under the build tree's
// screenshots/ folder.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ModalDialog.h"
#include "PluginHost.h"
#include "framework/DialogUnits.h"
#include "resources/ResourceIds.h"

namespace plugin_tests {
namespace {

using namespace dialog_tests;
using namespace hollin::framework;
using namespace hollin::resources;

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

struct ExpectedControl {
    int id;
    const char* qtClass;
    QString text;
    DialogRect rect;
};

struct ExpectedDialog {
    std::string name;
    QString caption;
    DialogRect size;  // width and height; the window manager places the dialog
    std::vector<ExpectedControl> controls;
    std::vector<int> tabOrder;  // from the first tab stop round to it again
};

void PrintTo(const ExpectedDialog& dialog, std::ostream* out) {
    *out << dialog.name;
}

class Layout : public Dialogs, public ::testing::WithParamInterface<ExpectedDialog> {};

TEST_P(Layout, PlacesEveryControlByDialogUnitsAndTabsThroughTheTabStopsInOrder) {
    const ExpectedDialog& expected = GetParam();
    const bool results = expected.name == "Results";
    // A file that cannot be opened still leaves a report to show.
    if (results) {
        EXPECT_FALSE(Convert("/no/such/model.3ds", "/no/such/model.kvm"));
    }
    const auto open = [results] { results ? Importer().ShowSummary() : Importer().ShowOptionsDialog(); };
    const int shown = WithModalDialog(open, [&](QWidget& window) {
        const DialogBaseUnits base = BaseUnitsOf(window.font());
        EXPECT_EQ(window.font().pointSize(), 8);
        EXPECT_EQ(window.windowTitle(), expected.caption);
        EXPECT_EQ(window.size(), MapDialogRect(expected.size, base).size());
        EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";

        const auto controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        EXPECT_EQ(controls.size(), static_cast<qsizetype>(expected.controls.size()));
        for (const ExpectedControl& control : expected.controls) {
            SCOPED_TRACE(control.text.toStdString() + " " + std::to_string(control.id));
            // Labels and frames share the id -1, so their texts tell them apart.
            const auto found = std::find_if(controls.begin(), controls.end(), [&](QWidget* widget) {
                const QString text = widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
                return widget->property(kControlIdProperty).toInt() == control.id && text == control.text;
            });
            ASSERT_NE(found, controls.end());
            QWidget& widget = **found;
            EXPECT_STREQ(widget.metaObject()->className(), control.qtClass);
            EXPECT_TRUE(widget.isVisibleTo(&window));
            QRect mapped = MapDialogRect(control.rect, base);
            if (const auto* list = qobject_cast<QComboBox*>(&widget)) {
                EXPECT_FALSE(list->isEditable()) << "a list to choose from, no typing";
                // The template's height includes the opened list.
                EXPECT_LE(widget.height(), mapped.height());
                mapped.setHeight(widget.height());
            }
            EXPECT_EQ(widget.geometry(), mapped);
        }

        std::vector<int> visited;
        while (visited.size() < expected.tabOrder.size() && window.focusWidget() != nullptr) {
            QWidget* focus = window.focusWidget();
            visited.push_back(focus->property(kControlIdProperty).toInt());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        EXPECT_EQ(visited, expected.tabOrder) << "starts on the first tab stop and comes back to it";
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(shown, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, Layout,
    ::testing::Values(
        ExpectedDialog{"Options", "3DS Import Options", {0, 0, 187, 104},
                       {{IDOK, "QPushButton", "OK", {80, 85, 50, 14}},
                        {IDCANCEL, "QPushButton", "Cancel", {132, 85, 50, 14}},
                        {kMergeCoplanarFacesCheckId, "QCheckBox", "Merge coplanar faces", {11, 19, 168, 12}},
                        {kUnitListId, "QComboBox", "", {57, 57, 97, 49}},
                        {kNoControlId, "QLabel", "Units:", {10, 59, 43, 8}},
                        {kNoControlId, "QGroupBox", "Scale", {5, 43, 177, 38}},
                        {kNoControlId, "QGroupBox", "Geometry", {5, 5, 177, 35}}},
                       {IDOK, IDCANCEL, kMergeCoplanarFacesCheckId, kUnitListId, IDOK}},
        ExpectedDialog{"Results", "Import Results", {0, 0, 186, 175},
                       {{IDOK, "QPushButton", "Close", {131, 156, 50, 14}},
                        {kReportTextId, "QPlainTextEdit", "", {5, 5, 176, 146}}},
                       {IDOK, kReportTextId, IDOK}}),
    [](const auto& info) { return info.param.name; });

using Answer = std::function<void(QWidget&)>;

// Where a person clicks: on the box itself.
const Answer Tick = [](QWidget& dialog) {
    auto* box = ControlOf<QCheckBox>(dialog, kMergeCoplanarFacesCheckId);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
};
const Answer PressOk = [](QWidget& dialog) { QTest::mouseClick(ControlOf(dialog, IDOK), Qt::LeftButton); };
const Answer PressCancel = [](QWidget& dialog) { QTest::mouseClick(ControlOf(dialog, IDCANCEL), Qt::LeftButton); };
const Answer PressEscape = [](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
const Answer CloseBox = [](QWidget& dialog) { dialog.close(); };

Answer Choose(int unit) {
    return [unit](QWidget& dialog) { ControlOf<QComboBox>(dialog, kUnitListId)->setCurrentIndex(unit); };
}

struct OptionsCase {
    const char* name;
    std::optional<bool> storedMerge;
    std::optional<int> storedUnits;
    bool shownTicked;
    int shownUnit;  // -1: no unit selected
    std::vector<Answer> answer;
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
        EXPECT_EQ(ControlOf<QCheckBox>(dialog, kMergeCoplanarFacesCheckId)->isChecked(), test.shownTicked);
        auto* units = ControlOf<QComboBox>(dialog, kUnitListId);
        EXPECT_EQ(units->currentIndex(), test.shownUnit);
        ASSERT_EQ(units->count(), 9);
        EXPECT_EQ(units->itemText(0), "Model Units");
        for (const Answer& step : test.answer) step(dialog);
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
        OptionsCase{"FirstUseOk", {}, {}, false, 0, {PressOk}, false, 0},
        OptionsCase{"TickMetersOk", {}, {}, false, 0, {Tick, Choose(7), PressOk}, true, 7},
        OptionsCase{"StoredChoicesReplaced", true, 5, true, 5, {Tick, Choose(2), PressOk}, false, 2},
        OptionsCase{"TickCancel", {}, {}, false, 0, {Tick, PressCancel}, {}, {}},
        OptionsCase{"ChangeEscape", true, 2, true, 2, {Tick, Choose(8), PressEscape}, true, 2},
        OptionsCase{"ChangeCloseBox", false, 3, false, 3, {Tick, Choose(1), CloseBox}, false, 3},
        OptionsCase{"UnitNineOk", {}, 9, false, -1, {PressOk}, false, -1},
        OptionsCase{"UnitMinusOneOk", {}, -1, false, -1, {PressOk}, false, -1},
        OptionsCase{"UnitNineChosenAway", {}, 9, false, -1, {Choose(1), PressOk}, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dialogs, TheReportIsShownOnceInTheResultsDialogAndNotPrinted) {
    const TemporaryFolder folder;
    ASSERT_TRUE(Convert(KV_SAMPLE_SCENE, folder / "courtyard.kvm"));
    ::testing::internal::CaptureStdout();
    const int shown = WithModalDialog([] { Importer().ShowSummary(); }, [](QWidget& dialog) {
        auto* text = ControlOf<QPlainTextEdit>(dialog, kReportTextId);
        EXPECT_EQ(text->toPlainText().toStdString(), kSampleReport);
        EXPECT_EQ(text->document()->blockCount(), 5) << "four lines and the empty one after the last line feed";
        EXPECT_EQ(text->tabStopDistance(), DialogUnitsToPixelsX(32, BaseUnitsOf(dialog.font())));
        EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QTest::keyClicks(text, "typed");
        QTest::keyClick(text, Qt::Key_Delete);
        EXPECT_EQ(text->toPlainText().toStdString(), kSampleReport) << "read-only";
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(WithModalDialog([] { Importer().ShowSummary(); }, CloseBox), 0) << "shown once";
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// The language of the locale the test runs in: "fr" for fr_FR.UTF-8, "en" in the C locale.
std::string LocaleLanguage() {
    const QString language = QLocale::system().name().section('_', 0, 0);
    return language == "C" ? "en" : language.toStdString();
}

// Run once for every language that a reviewer should see (see CMakeLists.txt).
TEST_F(Dialogs, ScreenshotsOfBothDialogs) {
    const QDir folder(KV_SCREENSHOT_DIR);
    ASSERT_TRUE(folder.mkpath("."));
    const bool english = LocaleLanguage() == "en";
    const auto save = [&](const std::string& dialogName) {
        return [&, name = dialogName + "-" + LocaleLanguage() + ".png"](QWidget& dialog) {
            // The language's resource library replaced the English templates.
            const QString title = dialog.windowTitle();
            EXPECT_EQ(title == "3DS Import Options" || title == "Import Results", english) << title.toStdString();
            if (const auto* units = ControlOf<QComboBox>(dialog, kUnitListId)) {
                EXPECT_EQ(units->itemText(7) == "Meters", english) << "the unit names follow the language";
            }
            EXPECT_TRUE(dialog.grab().save(folder.filePath(QString::fromStdString(name)), "PNG"));
            dialog.close();
        };
    };
    hollin::prefs::Get().WriteBool(kSection, kMergeKey, true);
    hollin::prefs::Get().WriteInt(kSection, kUnitsKey, 7);
    EXPECT_EQ(WithModalDialog([] { Importer().ShowOptionsDialog(); }, save("options")), 1);

    // A real file whose report has errors as well as counts.
    const TemporaryFolder scratch;
    ASSERT_TRUE(Convert("/usr/share/games/gl-117/models/gl-15.3ds", scratch / "gl-15.kvm"));
    EXPECT_EQ(WithModalDialog([] { Importer().ShowSummary(); }, save("report")), 1);
}

}  // namespace
}  // namespace plugin_tests
