#pragma once

#include "link/UnitSettingTable.h"

#include <span>

namespace lumadesk {

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

// How both panels show and set a setting of the settings table; the levels have no row (their
// sliders and fields are the power groups' own).
struct PanelSetting {
    UnitCommandType command; // the settings table's row
    // A check box or button ticked for 1 (for the lamp: ticked "OFF" for 0), or a pair of radio
    // buttons for 1 and for 0.
    PowerControlId button;
    PowerControlId buttonForZero;
    bool tickedMeansZero;
    // Changing it enables or disables the panel's other controls and its level text.
    bool gatesControls;
};

[[nodiscard]] std::span<const PanelSetting> PanelSettings();

// Null for a setting without a control on the panels.
[[nodiscard]] const PanelSetting* PanelSettingOf(const UnitSetting& setting);
// The setting a control sets; null for IDC_NONE or an identifier no setting has.
[[nodiscard]] const UnitSetting* SettingOfButton(int id);

// The value a click on the panel's control sets: 1 or 0 by the control and its tick.
[[nodiscard]] int ButtonValue(const PanelSetting& panel, int id, bool checked);
// Whether the control shows the value as ticked.
[[nodiscard]] bool ButtonTicked(const PanelSetting& panel, int id, int value);

} // namespace lumadesk
