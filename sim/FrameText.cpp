#include "sim/FrameText.h"

#include "sim/HeadCodec.h"

#include <QStringList>

namespace lumadesk::sim {

namespace {

quint8 at(const QByteArray& frame, int i) {
    return i < frame.size() ? quint8(frame[i]) : 0;
}

QString channels(quint16 mask) {
    QStringList names;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & ChannelBit(channel))
            names.append(QStringLiteral("CH-%1").arg(channel + 1, 2, 10, QLatin1Char('0')));
    }
    if (mask & kGroupBits)
        names.append(QStringLiteral("group"));
    return names.isEmpty() ? QStringLiteral("nobody") : names.join(QLatin1Char(','));
}

QString maskOf(const QByteArray& frame) {
    return channels(quint16(at(frame, 3) << 8 | at(frame, 4)));
}

QString typeName(int type) {
    switch (type) {
    case FlashLevel:
        return QStringLiteral("flash level");
    case ModelLevel:
        return QStringLiteral("model level");
    case ModelMode1:
        return QStringLiteral("model mode 1");
    case ModelMode2:
        return QStringLiteral("model mode 2");
    case Cell:
        return QStringLiteral("cell");
    case Sound:
        return QStringLiteral("sound");
    case TestFlash:
        return QStringLiteral("test flash");
    case ModelPower:
        return QStringLiteral("model lamp");
    case FlashPower:
        return QStringLiteral("flash power");
    case kLevelsFlash:
        return QStringLiteral("flash levels");
    case kLevelsModel:
        return QStringLiteral("model levels");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

QString settingsText(const HeadSettings& s) {
    return QStringLiteral("power %1 flash %2 model %3 cell %4 sound %5 mode1 %6 mode2 %7 lamp %8")
        .arg(s.flashPower)
        .arg(s.flashLevel)
        .arg(s.modelLevel)
        .arg(s.cell)
        .arg(s.sound)
        .arg(s.modelMode1)
        .arg(s.modelMode2)
        .arg(s.modelPower);
}

QString pairsText(const QByteArray& frame) {
    QStringList pairs;
    for (int channel = 0; channel < kChannelCount; ++channel)
        pairs.append(QStringLiteral("%1/%2")
                         .arg(at(frame, 3 + 2 * channel))
                         .arg(at(frame, 4 + 2 * channel)));
    return pairs.join(QLatin1Char(' '));
}

QString line(const QByteArray& frame, const QString& meaning) {
    return HexBytes(frame) + QStringLiteral("  ") + meaning;
}

} // namespace

QString HexBytes(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

QString DescribeCommand(const QByteArray& frame) {
    const std::optional<Command> c = DecodeCommand(frame);
    if (!c)
        return line(frame, QStringLiteral("not understood, ignored"));
    switch (c->kind) {
    case Command::StudioSelect:
        return line(frame, QStringLiteral("studio select %1").arg(QChar('A' + c->group)));
    case Command::UnitCommand:
        return line(frame, QStringLiteral("%1 %2: P1 %3 P2 %4")
                               .arg(typeName(c->type), channels(c->mask))
                               .arg(c->p1)
                               .arg(c->p2));
    case Command::UnitSettings:
        return line(frame, QStringLiteral("unit settings %1: %2")
                               .arg(channels(c->mask), settingsText(c->settings)));
    case Command::StudioLevels:
        return line(frame,
                    QStringLiteral("studio %1: %2").arg(typeName(c->type), pairsText(frame)));
    }
    return line(frame, QString());
}

QString DescribeReport(const QByteArray& frame) {
    const quint8 kind = at(frame, 2);
    const int type = kind & 0x0F;
    if (kind == 0x01) {
        const HeadSettings s{at(frame, 5), at(frame, 6),  at(frame, 7),  at(frame, 8),
                             at(frame, 9), at(frame, 10), at(frame, 11), at(frame, 12)};
        return line(frame, QStringLiteral("status %1: %2").arg(maskOf(frame), settingsText(s)));
    }
    switch (kind & 0xF0) {
    case 0x10:
        if (type == kLevelsFlash || type == kLevelsModel)
            return line(frame, QStringLiteral("%1 echo: %2").arg(typeName(type), pairsText(frame)));
        return line(frame, QStringLiteral("%1 echo %2: %3 %4")
                               .arg(typeName(type), maskOf(frame))
                               .arg(at(frame, 5))
                               .arg(at(frame, 6)));
    case 0x30:
        return line(frame, QStringLiteral("heat %1: %2").arg(maskOf(frame)).arg(at(frame, 6)));
    case 0x60:
        if (type == TestFlash)
            return line(frame, QStringLiteral("test flash echo %1").arg(maskOf(frame)));
        return line(frame, QStringLiteral("charge %1: %2").arg(maskOf(frame)).arg(at(frame, 6)));
    default:
        return line(frame, QStringLiteral("kind %1").arg(kind, 2, 16, QLatin1Char('0')));
    }
}

QString DescribeNoise(const QByteArray& bytes) {
    return line(bytes, QStringLiteral("noise"));
}

} // namespace lumadesk::sim
