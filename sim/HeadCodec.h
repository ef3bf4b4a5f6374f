#pragma once

#include "sim/HeadLayout.h"

#include <QByteArray>
#include <array>
#include <optional>

// The head's side of the radio frames: what a head understands of the console's commands and how
// it words its reports. Written from the frame tables alone; nothing here is shared with the
// console's own frame code.
namespace lumadesk::sim {

constexpr int kChannelCount = 10;

// Unit command types a head acts on.
enum CommandType : int {
    FlashLevel = 3,
    ModelLevel = 4,
    ModelMode1 = 5,
    ModelMode2 = 6,
    Cell = 7,
    Sound = 8,
    TestFlash = 11,
    ModelPower = 12,
    FlashPower = 13,
};

// Studio levels types, and the report types of charge and heat.
constexpr int kLevelsFlash = 14;
constexpr int kLevelsModel = 15;
constexpr int kChargeState = 1;
constexpr int kHeatLevel = 10;

// Channel mask: channels 0-4 are bits 0-4, channels 5-9 bits 8-12; bits 7 and 15 address the
// whole group.
constexpr quint16 kGroupBits = 0x8080;
quint16 ChannelBit(int channel);
bool MaskAddresses(quint16 mask, int channel);

// The bit a switch command carries for "on" (0 when the type is no switch).
quint8 SwitchBit(int type);

struct Command {
    enum Kind { StudioSelect, UnitCommand, UnitSettings, StudioLevels };
    Kind kind = StudioSelect;
    int group = 0;         // StudioSelect: 0-4
    int type = 0;          // UnitCommand: a CommandType; StudioLevels: 14 or 15
    quint16 mask = 0;      // UnitCommand, UnitSettings
    quint8 p1 = 0;         // UnitCommand
    quint8 p2 = 0;         // UnitCommand
    HeadSettings settings; // UnitSettings, exactly as carried
    std::array<quint8, 2 * kChannelCount> levels{}; // StudioLevels: flash, model per channel
};

// A command frame as cut from the stream, or nothing when a head would not understand it.
std::optional<Command> DecodeCommand(const QByteArray& frame);

QByteArray StatusReport(int channel, const HeadSettings& settings);
QByteArray SettingReport(int type, int channel, quint8 high, quint8 low);
QByteArray ChargeReport(int type, int channel, quint8 value);
QByteArray HeatReport(int type, int channel, quint8 value);
QByteArray LevelsReport(int type, const std::array<quint8, 2 * kChannelCount>& levels);

} // namespace lumadesk::sim
