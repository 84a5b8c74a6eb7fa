#include "ModelSizeText.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>

#include "HostText.h"
#include "Preferences.h"

namespace kvstudio {

namespace {

struct Unit {
    double metres;
    const char* symbol;
};

// In the order of the importer's unit list, from "Model Units" on. The
// symbols are international ones, the same in every language.
constexpr std::array<Unit, 9> kUnits = {{
    {0.0254, "in"},
    {0.0254, "in"},
    {0.3048, "ft"},
    {0.9144, "yd"},
    {1609.344, "mi"},
    {0.001, "mm"},
    {0.01, "cm"},
    {1.0, "m"},
    {1000.0, "km"},
}};

// Four digits (three after the point below 1), in the user's way of writing
// numbers, without an exponent or trailing zeros: "18,380", "2.64", "0.061".
QString Length(double value) {
    if (!(value > 0.0)) return QLocale().toString(0);
    const int digitsBeforePoint = std::max(1, static_cast<int>(std::floor(std::log10(value))) + 1);
    const int decimals = std::clamp(4 - digitsBeforePoint, 0, 6);
    QString text = QLocale().toString(value, 'f', decimals);
    if (decimals > 0) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLocale().decimalPoint())) text.chop(QLocale().decimalPoint().size());
    }
    return text;
}

}  // namespace

int StoredUnitsOption() {
    return hollin::prefs::Get().ReadInt(u"3DS Importer", u"ImportUnits", 0);
}

QString DescribeExtent(const ModelExtent& extent, int unitsOption) {
    const Unit& unit = unitsOption >= 0 && unitsOption < static_cast<int>(kUnits.size()) ? kUnits[unitsOption] : kUnits[0];
    const auto inUnit = [&unit](float metres) { return Length(metres / unit.metres).toStdString(); };
    return QString::fromStdString(kvhost::Compose("Size: %1$s × %2$s × %3$s %4$s",
                                                  {inUnit(extent.metres.x()), inUnit(extent.metres.y()),
                                                   inUnit(extent.metres.z()), unit.symbol}));
}

}  // namespace kvstudio
