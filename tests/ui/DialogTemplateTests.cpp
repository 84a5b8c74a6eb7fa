// The two dialogs as the built-in templates make them: controls, texts, ids,
// placement in dialog units, styles and the Tab key's order; and the window
// framework's rules for dialog units and for dialogs it cannot show.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "ModalDialog.h"
#include "resources/DialogTemplateSet.h"
#include "resources/ResourceIds.h"
#include "ui/COptionsDialog.h"
#include "ui/CReportDialog.h"
#include "ui/framework/DialogUnits.h"
#include "ui/framework/ModuleState.h"

namespace {

using namespace hollin::framework;
using namespace dialog_tests;

struct ExpectedControl {
    int id;
    const char* qtClass;
    std::string text;
    DialogRect rect;
};

struct ExpectedDialog {
    std::string name;
    std::string caption;
    int width;
    int height;
    std::vector<ExpectedControl> controls;
    std::vector<int> tabOrder;
};

void PrintTo(const ExpectedDialog& dialog, std::ostream* out) {
    *out << dialog.name;
}

std::unique_ptr<CDialog> MakeDialog(const ExpectedDialog& expected) {
    if (expected.name == "Options") return std::make_unique<hollin::ui::COptionsDialog>();
    return std::make_unique<hollin::ui::CReportDialog>();
}

std::string TextOf(QWidget& control) {
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(&control)) return label->text().toStdString();
    if (auto* frame = qobject_cast<QGroupBox*>(&control)) return frame->title().toStdString();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&control)) return edit->toPlainText().toStdString();
    return {};
}

class BuiltInTemplate : public ::testing::TestWithParam<ExpectedDialog> {
protected:
    ModuleState state_{hollin::resources::BuiltInDialogTemplates()};
    AFX_MAINTAIN_STATE2 current_{&state_};
};

TEST_P(BuiltInTemplate, PlacesEveryControlByDialogUnitsAndTabsThroughTheTabStopsInOrder) {
    const ExpectedDialog& expected = GetParam();
    const std::unique_ptr<CDialog> dialog = MakeDialog(expected);
    std::intptr_t result = 0;
    const int shown = WithModalDialog([&] { result = dialog->DoModal(); }, [&](QWidget& window) {
        const DialogBaseUnits base = BaseUnitsOf(window.font());
        EXPECT_EQ(window.font().pointSize(), 8);
        EXPECT_EQ(window.windowTitle().toStdString(), expected.caption);
        EXPECT_EQ(window.size(), QSize(DialogUnitsToPixelsX(expected.width, base),
                                       DialogUnitsToPixelsY(expected.height, base)));
        EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";

        const auto controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        EXPECT_EQ(controls.size(), static_cast<qsizetype>(expected.controls.size()));
        for (const ExpectedControl& control : expected.controls) {
            SCOPED_TRACE(control.text + " " + std::to_string(control.id));
            // Labels and frames share the id -1, so find them by their text.
            QWidget* widget = nullptr;
            for (QWidget* candidate : controls) {
                if (candidate->property(kControlIdProperty).toInt() == control.id &&
                    (control.id != kNoControlId || TextOf(*candidate) == control.text)) {
                    widget = candidate;
                }
            }
            ASSERT_NE(widget, nullptr);
            EXPECT_STREQ(widget->metaObject()->className(), control.qtClass);
            EXPECT_EQ(TextOf(*widget), control.text);
            EXPECT_TRUE(widget->isVisibleTo(&window));
            const QRect mapped = MapDialogRect(control.rect, base);
            if (qobject_cast<QComboBox*>(widget) != nullptr) {
                // The template's height includes the opened list.
                EXPECT_EQ(widget->geometry().topLeft(), mapped.topLeft());
                EXPECT_EQ(widget->width(), mapped.width());
                EXPECT_LE(widget->height(), mapped.height());
            } else {
                EXPECT_EQ(widget->geometry(), mapped);
            }
        }

        std::vector<int> visited;
        for (QWidget* focus = window.focusWidget(); focus != nullptr && visited.size() <= expected.tabOrder.size();
             focus = window.focusWidget()) {
            visited.push_back(focus->property(kControlIdProperty).toInt());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        std::vector<int> once = expected.tabOrder;
        once.push_back(expected.tabOrder.front());
        EXPECT_EQ(visited, once) << "starts on the first tab stop and comes back to it";
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(result, IDCANCEL);
}

using namespace hollin::resources;

INSTANTIATE_TEST_SUITE_P(
    Dialogs, BuiltInTemplate,
    ::testing::Values(
        ExpectedDialog{"Options",
                       "3DS Import Options",
                       187,
                       104,
                       {{IDOK, "QPushButton", "OK", {80, 85, 50, 14}},
                        {IDCANCEL, "QPushButton", "Cancel", {132, 85, 50, 14}},
                        {kMergeCoplanarFacesCheckId, "QCheckBox", "Merge coplanar faces", {11, 19, 168, 12}},
                        {kUnitListId, "QComboBox", "", {57, 57, 97, 49}},
                        {kNoControlId, "QLabel", "Units:", {10, 59, 43, 8}},
                        {kNoControlId, "QGroupBox", "Scale", {5, 43, 177, 38}},
                        {kNoControlId, "QGroupBox", "Geometry", {5, 5, 177, 35}}},
                       {IDOK, IDCANCEL, kMergeCoplanarFacesCheckId, kUnitListId}},
        ExpectedDialog{"Report",
                       "Import Results",
                       186,
                       175,
                       {{IDOK, "QPushButton", "Close", {131, 156, 50, 14}},
                        {kReportTextId, "QPlainTextEdit", "", {5, 5, 176, 146}}},
                       {IDOK, kReportTextId}}),
    [](const auto& info) { return info.param.name; });

TEST(DialogUnits, AreAQuarterOfTheAverageLetterWidthAndAnEighthOfTheLineHeightAtAnyFontSize) {
    // Tahoma 8 pt at 96 dpi, the classic dialog font, measures 6 by 13 pixels.
    EXPECT_EQ(MapDialogRect({80, 85, 187, 104}, {6, 13}), QRect(120, 138, 281, 169)) << "halves round up";

    QFont font = QApplication::font();
    font.setPointSize(8);
    const DialogBaseUnits small = BaseUnitsOf(font);
    font.setPointSize(16);
    const DialogBaseUnits large = BaseUnitsOf(font);
    EXPECT_NEAR(static_cast<double>(large.averageCharWidth) / small.averageCharWidth, 2.0, 0.35);
    EXPECT_NEAR(static_cast<double>(large.lineHeight) / small.lineHeight, 2.0, 0.25);
}

TEST(DoModal, CannotShowATemplateThatTheCurrentModuleDoesNotHave) {
    hollin::ui::CReportDialog outsideAnyModule;
    EXPECT_EQ(outsideAnyModule.DoModal(), -1);

    ModuleState withoutTemplates({});
    AFX_MAINTAIN_STATE2 current(&withoutTemplates);
    hollin::ui::COptionsDialog unknownTemplate;
    EXPECT_EQ(unknownTemplate.DoModal(), -1);
    EXPECT_EQ(unknownTemplate.GetDlgItem(IDOK), nullptr);
}

}  // namespace
