#include "ModelSizeText.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

#include "HostText.h"
#include "KorvantaAPI.h"
#include "Preferences.h"
#include "settings/ImportSettings.h"
#include "settings/LengthUnits.h"

namespace kvstudio {

namespace {

// Model files hold metres; the import scaled by the unit table's inches.
constexpr double kMetresPerInch = KV_METRES_PER_INCH;

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
    return hollin::settings::ResolveImportSettings(hollin::prefs::Get(), {}).units;
}

double MetresPerUnit(const hollin::settings::LengthUnit& unit) {
    return unit.inchesPerUnit * kMetresPerInch;
}

QString DescribeExtent(const ModelExtent& extent, int unitsOption) {
    const hollin::settings::LengthUnit& unit = hollin::settings::DisplayUnit(unitsOption);
    const double metresPerUnit = MetresPerUnit(unit);
    const auto inUnit = [metresPerUnit](float metres) { return Length(metres / metresPerUnit).toStdString(); };
    return QString::fromStdString(kvhost::Compose("Size: %1$s × %2$s × %3$s %4$s",
                                                  {inUnit(extent.metres.x()), inUnit(extent.metres.y()),
                                                   inUnit(extent.metres.z()), unit.symbol}));
}

GridSpacing ChooseGridSpacing(const ModelExtent& extent, int unitsOption) {
    const hollin::settings::LengthUnit& unit = hollin::settings::DisplayUnit(unitsOption);
    const double metresPerUnit = MetresPerUnit(unit);
    const double side = std::max(extent.metres.x(), extent.metres.y()) / metresPerUnit;
    if (!(side > 0.0)) return {};
    const double wanted = side / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    double step = power;
    for (const double multiple : {2.0, 5.0, 10.0}) {
        if (power * multiple <= wanted * 1.5) step = power * multiple;
    }
    return {step * metresPerUnit, QString::fromStdString(kvhost::Compose(
                                      "Grid: %1$s %2$s", {Length(step).toStdString(), std::string(unit.symbol)}))};
}

}  // namespace kvstudio
