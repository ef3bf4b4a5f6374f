#include "sim/HeadCodec.h"

namespace lumadesk::sim {

namespace {

constexpr char kStart = char(0xFF);

quint8 at(const QByteArray& frame, int i) {
    return quint8(frame[i]);
}

quint16 maskAt(const QByteArray& frame) {
    return quint16(at(frame, 3) << 8 | at(frame, 4));
}

QByteArray shortReport(quint8 kind, int channel, quint8 high, quint8 low) {
    const quint16 mask = ChannelBit(channel);
    const char bytes[] = {kStart,     0x07,     char(kind), char(mask >> 8), char(mask & 0xFF),
                          char(high), char(low)};
    return QByteArray(bytes, sizeof bytes);
}

bool isUnitCommandType(int type) {
    switch (type) {
    case FlashLevel:
    case ModelLevel:
    case ModelMode1:
    case ModelMode2:
    case Cell:
    case Sound:
    case TestFlash:
    case ModelPower:
    case FlashPower:
        return true;
    default:
        return false;
    }
}

} // namespace

quint16 ChannelBit(int channel) {
    if (channel >= 0 && channel <= 4)
        return quint16(1u << channel);
    if (channel >= 5 && channel <= 9)
        return quint16(0x100u << (channel - 5));
    return 0;
}

bool MaskAddresses(quint16 mask, int channel) {
    return (mask & kGroupBits) != 0 || (mask & ChannelBit(channel)) != 0;
}

quint8 SwitchBit(int type) {
    switch (type) {
    case ModelMode1:
        return 0x08;
    case ModelMode2:
        return 0x10;
    case Cell:
        return 0x02;
    case Sound:
        return 0x04;
    case ModelPower:
    case FlashPower:
        return 0x01;
    default:
        return 0x00;
    }
}

std::optional<Command> DecodeCommand(const QByteArray& frame) {
    if (frame.size() < 5 || at(frame, 0) != 0xFF || at(frame, 1) != frame.size())
        return std::nullopt;
    Command c;
    const quint8 kind = at(frame, 2);
    switch (frame.size()) {
    case 5:
        if (kind != 0x00 || at(frame, 3) != 0x00 || at(frame, 4) < 0x41 || at(frame, 4) > 0x45)
            return std::nullopt;
        c.kind = Command::StudioSelect;
        c.group = at(frame, 4) - 0x41;
        return c;
    case 7:
        if ((kind & 0xF0) != 0x10 || !isUnitCommandType(kind & 0x0F))
            return std::nullopt;
        c.kind = Command::UnitCommand;
        c.type = kind & 0x0F;
        c.mask = maskAt(frame);
        c.p1 = at(frame, 5);
        c.p2 = at(frame, 6);
        return c;
    case 14:
        if (kind != 0x01 || at(frame, 13) != 0x00)
            return std::nullopt;
        c.kind = Command::UnitSettings;
        c.mask = maskAt(frame);
        c.settings = HeadSettings{at(frame, 5), at(frame, 6),  at(frame, 7),  at(frame, 8),
                                  at(frame, 9), at(frame, 10), at(frame, 11), at(frame, 12)};
        return c;
    case 23:
        if (kind != 0x10 + kLevelsFlash && kind != 0x10 + kLevelsModel)
            return std::nullopt;
        c.kind = Command::StudioLevels;
        c.type = kind & 0x0F;
        for (int i = 0; i < 2 * kChannelCount; ++i)
            c.levels[size_t(i)] = at(frame, 3 + i);
        return c;
    default:
        return std::nullopt;
    }
}

QByteArray StatusReport(int channel, const HeadSettings& s) {
    const quint16 mask = ChannelBit(channel);
    const char bytes[] = {kStart,
                          0x0D,
                          0x01,
                          char(mask >> 8),
                          char(mask & 0xFF),
                          char(s.flashPower),
                          char(s.flashLevel),
                          char(s.modelLevel),
                          char(s.cell),
                          char(s.sound),
                          char(s.modelMode1),
                          char(s.modelMode2),
                          char(s.modelPower)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray SettingReport(int type, int channel, quint8 high, quint8 low) {
    return shortReport(quint8(0x10 | (type & 0x0F)), channel, high, low);
}

QByteArray ChargeReport(int type, int channel, quint8 value) {
    return shortReport(quint8(0x60 | (type & 0x0F)), channel, 0x00, value);
}

QByteArray HeatReport(int type, int channel, quint8 value) {
    return shortReport(quint8(0x30 | (type & 0x0F)), channel, 0x00, value);
}

QByteArray LevelsReport(int type, const std::array<quint8, 2 * kChannelCount>& levels) {
    QByteArray frame;
    frame.reserve(3 + 2 * kChannelCount);
    frame.append(kStart);
    frame.append(char(3 + 2 * kChannelCount));
    frame.append(char(0x10 | (type & 0x0F)));
    for (quint8 level : levels)
        frame.append(char(level));
    return frame;
}

} // namespace lumadesk::sim
