#include "panels/PanelSettingTable.h"

namespace lumadesk {

namespace {

// mode1 is "Prop" when set and "Free" when clear; mode2 "Continous" when set and "Flash Prop"
// when clear.
constexpr PanelSetting kPanelSettings[] = {
    {CMD_FLASH_CELL, IDC_CELL, IDC_NONE, false, false},
    {CMD_FLASH_SOUND, IDC_SOUND, IDC_NONE, false, false},
    {CMD_FLASH_POWER, IDC_POWER, IDC_NONE, false, true},
    {CMD_MODEL_POWER, IDC_OFF, IDC_NONE, true, true},
    {CMD_MODEL_MODE1, IDC_PROP, IDC_FREE, false, false},
    {CMD_MODEL_MODE2, IDC_CONTINOUS, IDC_FLASH_PROP, false, false},
    {CMD_TEST_FLASH, IDC_TEST, IDC_NONE, false, false},
};

} // namespace

std::span<const PanelSetting> PanelSettings() {
    return kPanelSettings;
}

const PanelSetting* PanelSettingOf(const UnitSetting& setting) {
    for (const PanelSetting& panel : kPanelSettings) {
        if (panel.command == setting.commandType)
            return &panel;
    }
    return nullptr;
}

const UnitSetting* SettingOfButton(int id) {
    if (id == IDC_NONE)
        return nullptr;
    for (const PanelSetting& panel : kPanelSettings) {
        if (panel.button == id || panel.buttonForZero == id)
            return SettingOfCommand(panel.command);
    }
    return nullptr;
}

int ButtonValue(const PanelSetting& panel, int id, bool checked) {
    if (panel.buttonForZero != IDC_NONE)
        return id == panel.button ? 1 : 0;
    return checked != panel.tickedMeansZero ? 1 : 0;
}

bool ButtonTicked(const PanelSetting& panel, int id, int value) {
    if (panel.buttonForZero != IDC_NONE)
        return (id == panel.button) == (value == 1);
    return (value != 0) != panel.tickedMeansZero;
}

} // namespace lumadesk
