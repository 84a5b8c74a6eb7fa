#pragma once

#include <QFont>
#include <QRect>

#include "framework/DialogTemplate.h"

namespace hollin::framework {

// The font measures that dialog units are counted in: the average width of
// the Latin letters and the height of a line, in pixels. A horizontal dialog
// unit is a quarter of the first, a vertical one an eighth of the second, so
// a layout keeps its proportions at any font size.
struct DialogBaseUnits {
    int averageCharWidth;
    int lineHeight;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// Rounds like the integer scaling of the dialog manager it stands in for:
// halves away from zero.
int DialogUnitsToPixelsX(std::int32_t units, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(std::int32_t units, const DialogBaseUnits& base);
QRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& base);

}  // namespace hollin::framework
