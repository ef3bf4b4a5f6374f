#include "platform/PortNames.h"

#include <QRegularExpression>

namespace lumadesk {

QString DevicePathFromPortName(const QString& portName) {
    const QString name = portName.trimmed();
    if (name.isEmpty())
        return {};
    if (name.startsWith(QLatin1Char('/')))
        return name;
    static const QRegularExpression com(QStringLiteral("^COM([1-9]|10)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(name);
    if (match.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    return QStringLiteral("/dev/") + name;
}

} // namespace lumadesk
