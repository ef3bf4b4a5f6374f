#pragma once

#include "link/FrameTypes.h"
#include "model/StrobeData.h"
#include "platform/ChangeCode.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <span>

namespace lumadesk {

// The settings of a head that a unit command changes, once for everyone: the frame builder,
// the event handler, the command-line tool and the phone read this table, so a setting cannot
// mean one thing on the wire and another in a face. The panels' controls and the grid's pictures
// for a setting are the faces' own, in their tables keyed by the command type
// (panels/PanelSettingTable.h, views/GridSettingTable.h).
enum class SettingKind { Level, Switch, Trigger };

// Which parameter byte of a unit command, and so of its echo's 16-bit value, carries the value.
enum class CommandParam { P1, P2 };

struct UnitSetting {
    const char* name; // as the operator writes it
    SettingKind kind;
    UnitCommandType commandType;
    ChangeCode changeCode;   // of the head's echo; CHANGE_NONE for the test flash
    int StrobeData::*member; // null for the test flash
    CommandParam param;
    std::uint8_t onBit;  // a switch's P2 when it is set
    const char* offWord; // a switch's words for 0 and 1
    const char* onWord;
};

// The setting's byte of an echo's 16-bit value: P1 high, P2 low, as the command had them.
[[nodiscard]] constexpr int EchoedByte(const UnitSetting& setting, std::int64_t echo) {
    return int(setting.param == CommandParam::P1 ? (echo >> 8) & 0xFF : echo & 0xFF);
}

// In the order the operator is offered them.
[[nodiscard]] std::span<const UnitSetting> UnitSettings();

// Lookups; each gives null when no setting matches.
[[nodiscard]] const UnitSetting* SettingOfCommand(int commandType);
[[nodiscard]] const UnitSetting* SettingOfChange(int changeCode); // not for CHANGE_NONE
[[nodiscard]] const UnitSetting* SettingOfMember(int StrobeData::*member);
[[nodiscard]] const UnitSetting* SettingNamed(QStringView name);

// "flash, model, cell, ..." for messages and help.
[[nodiscard]] QString SettingNames();

// A value as the operator reads it: "4.5" for a level, "on" or "prop" for a switch; empty for
// the test flash.
[[nodiscard]] QString SettingValueText(const UnitSetting& setting, int value);

// "cell on", "flash 4.5".
[[nodiscard]] QString SettingText(const UnitSetting& setting, int value);

} // namespace lumadesk
