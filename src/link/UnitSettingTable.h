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
// the event handler, the command-line tool and the panels all read this table, so a setting
// cannot mean one thing on the wire and another in a pane.
enum class SettingKind { Level, Switch, Trigger };

// Which parameter byte of a unit command, and so of its echo's 16-bit value, carries the value.
enum class CommandParam { P1, P2 };

// The switches of both control panels' power groups, by the identifiers of their templates.
enum PowerControlId {
    IDC_NONE = 0,
    IDC_CELL = 1017,
    IDC_SOUND = 1018,
    IDC_POWER = 1019,
    IDC_TEST = 1020,
    IDC_FREE = 1021,
    IDC_PROP = 1022,
    IDC_CONTINOUS = 1023,
    IDC_FLASH_PROP = 1024,
    IDC_OFF = 1025,
};

// What shows a head's state in its block of the grid: the power label under the name (both
// levels, or the lamp's OFF), the status cell (power off, overheat), or one of the icons.
enum class GridShows { PowerLabel, StatusCell, Icon };
enum class HeadIcon { Mode1, Mode2, Cell, Sound, Charge, Count };

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
    // The panels' control: a check box or button ticked for 1 (for the lamp: ticked "OFF" for
    // 0), or a pair of radio buttons for 1 and for 0.
    PowerControlId button;
    PowerControlId buttonForZero;
    bool tickedMeansZero;
    // Changing it enables or disables the panel's other controls and its level text.
    bool gatesControls;
    GridShows grid;
    HeadIcon icon; // when the grid shows it as an icon
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
[[nodiscard]] const UnitSetting* SettingOfButton(int id);

// The value a click on the panel's control sets: 1 or 0 by the control and its tick.
[[nodiscard]] int ButtonValue(const UnitSetting& setting, int id, bool checked);
// Whether the control shows the value as ticked.
[[nodiscard]] bool ButtonTicked(const UnitSetting& setting, int id, int value);

// "flash, model, cell, ..." for messages and help.
[[nodiscard]] QString SettingNames();

// A value as the operator reads it: "4.5" for a level, "on" or "prop" for a switch; empty for
// the test flash.
[[nodiscard]] QString SettingValueText(const UnitSetting& setting, int value);

// "cell on", "flash 4.5".
[[nodiscard]] QString SettingText(const UnitSetting& setting, int value);

} // namespace lumadesk
