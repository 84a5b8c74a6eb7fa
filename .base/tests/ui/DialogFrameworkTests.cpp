// The window framework's rules for dialog units and for dialogs it cannot
// show. The dialogs it builds from the templates are checked as the user
// meets them, through the plug-in (tests/plugin/DialogTests.cpp).

#include <gtest/gtest.h>

#include <QApplication>

#include "framework/DialogUnits.h"
#include "framework/ModuleState.h"
#include "ui/COptionsDialog.h"
#include "ui/CReportDialog.h"

namespace {

using namespace hollin::framework;

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
