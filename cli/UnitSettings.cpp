#include "cli/UnitSettings.h"

#include "model/PowerLevel.h"

#include <QRegularExpression>

namespace lumadesk::cli {

int ParseLevel(const QString& text) {
    static const QRegularExpression level(QStringLiteral("^([0-9])(?:\\.([0-9]))?$"));
    const QRegularExpressionMatch match = level.match(text);
    if (!match.hasMatch())
        return -1;
    const int tenths = match.captured(1).toInt() * 10 + match.captured(2).toInt();
    return IsValidLevel(tenths) ? tenths : -1;
}

} // namespace lumadesk::cli
