#include "ModelSizeText.h"

#include <QLocale>

#include <array>

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

QString Length(double value) {
    // Four significant digits, without a trailing run of zeros.
    return QLocale().toString(value, 'g', 4);
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
