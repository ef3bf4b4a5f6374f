#include "model/Stops.h"

#include "model/PowerLevel.h"
#include "model/StudioModel.h"

#include <cmath>

namespace lumadesk {

namespace {

constexpr double kMostStops = 10.0;
const QChar kMinus(0x2212);

// One decimal, no "-0.0".
QString oneDecimal(double value) {
    const double rounded = std::round(value * 10.0) / 10.0;
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', 1);
}

QString ratioPart(double value) {
    QString text = oneDecimal(value);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

std::optional<double> parseNumber(QString text) {
    text.replace(kMinus, QLatin1Char('-'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> StopsBetween(int keyLevel, int level, double stopsPerStep) {
    if (!IsValidLevel(keyLevel) || !IsValidLevel(level) || !(stopsPerStep > 0.0))
        return std::nullopt;
    return (level - keyLevel) / 10.0 * stopsPerStep;
}

std::optional<double> StopsFromKey(const StudioData* studio, const StrobeData& unit,
                                   double stopsPerStep) {
    const StrobeData* key = KeyUnitOf(studio);
    if (key == nullptr || key->bFlashPow == 0 || unit.bFlashPow == 0)
        return std::nullopt;
    return StopsBetween(key->nFlashValue, unit.nFlashValue, stopsPerStep);
}

QString StopsText(std::optional<double> stops) {
    if (!stops)
        return QStringLiteral("\u2014");
    QString text = oneDecimal(*stops);
    if (text.startsWith(QLatin1Char('-')))
        text[0] = kMinus;
    else if (text != QLatin1String("0.0"))
        text.prepend(QLatin1Char('+'));
    return text;
}

QString RatioText(std::optional<double> stops) {
    if (!stops)
        return QStringLiteral("\u2014");
    const double factor = std::pow(2.0, std::abs(*stops));
    if (ratioPart(factor) == QLatin1String("1"))
        return QStringLiteral("1:1");
    return *stops < 0 ? QStringLiteral("1:%1").arg(ratioPart(factor))
                      : QStringLiteral("%1:1").arg(ratioPart(factor));
}

QString StopsSpoken(std::optional<double> stops, const QString& keyLabel) {
    if (!stops)
        return {};
    QString amount = oneDecimal(std::abs(*stops));
    if (amount == QLatin1String("0.0"))
        return QStringLiteral("level with %1").arg(keyLabel);
    if (amount.endsWith(QLatin1String(".0")))
        amount.chop(2);
    return QStringLiteral("%1 %2 %3 %4")
        .arg(amount,
             amount == QLatin1String("1") ? QStringLiteral("stop") : QStringLiteral("stops"),
             *stops < 0 ? QStringLiteral("under") : QStringLiteral("over"), keyLabel);
}

std::optional<double> ParseStops(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    std::optional<double> stops;
    if (const auto parts = text.split(QLatin1Char(':')); parts.size() == 2) {
        const auto head = parseNumber(parts[0].trimmed());
        const auto key = parseNumber(parts[1].trimmed());
        if (!head || !key || *head <= 0 || *key <= 0)
            return std::nullopt;
        stops = std::log2(*head / *key);
    } else if (!text.contains(QLatin1Char(':'))) {
        stops = parseNumber(text);
    }
    if (!stops || std::abs(*stops) > kMostStops)
        return std::nullopt;
    return stops;
}

std::optional<int> LevelForStops(int keyLevel, double stops, double stopsPerStep) {
    if (!IsValidLevel(keyLevel) || !(stopsPerStep > 0.0) || !std::isfinite(stops))
        return std::nullopt;
    const int level = keyLevel + int(std::lround(stops / stopsPerStep * 10.0));
    if (!IsValidLevel(level))
        return std::nullopt;
    return level;
}

} // namespace lumadesk
