#include "framework/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <cmath>

namespace hollin::framework {

namespace {

int ScaleRounded(std::int32_t value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average over the 52 letters, rounded to the nearest pixel.
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

int DialogUnitsToPixelsX(std::int32_t units, const DialogBaseUnits& base) {
    return ScaleRounded(units, base.averageCharWidth, 4);
}

int DialogUnitsToPixelsY(std::int32_t units, const DialogBaseUnits& base) {
    return ScaleRounded(units, base.lineHeight, 8);
}

QRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& base) {
    return QRect(DialogUnitsToPixelsX(rect.x, base), DialogUnitsToPixelsY(rect.y, base),
                 DialogUnitsToPixelsX(rect.width, base), DialogUnitsToPixelsY(rect.height, base));
}

}  // namespace hollin::framework
