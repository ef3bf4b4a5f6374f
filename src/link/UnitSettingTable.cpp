#include "link/UnitSettingTable.h"

#include "model/PowerLevel.h"

#include <QStringList>

namespace lumadesk {

namespace {

using enum SettingKind;
using enum CommandParam;

// Both levels travel in every level command, flash in P1 and model in P2; the type tells the
// head which one changed.
constexpr UnitSetting kSettings[] = {
    {"flash", Level, CMD_FLASH_LEVEL, CHANGE_FLASH_LEVEL, &StrobeData::nFlashValue, P1, 0, nullptr,
     nullptr},
    {"model", Level, CMD_MODEL_LEVEL, CHANGE_MODEL_LEVEL, &StrobeData::nModelValue, P2, 0, nullptr,
     nullptr},
    {"cell", Switch, CMD_FLASH_CELL, CHANGE_FLASH_CELL, &StrobeData::bFlashCell, P2, 0x02, "off",
     "on"},
    {"sound", Switch, CMD_FLASH_SOUND, CHANGE_FLASH_SOUND, &StrobeData::bFlashSnd, P2, 0x04, "off",
     "on"},
    {"power", Switch, CMD_FLASH_POWER, CHANGE_FLASH_POWER, &StrobeData::bFlashPow, P2, 0x01, "off",
     "on"},
    {"lamp", Switch, CMD_MODEL_POWER, CHANGE_MODEL_POWER, &StrobeData::bModelPow, P2, 0x01, "off",
     "on"},
    {"mode1", Switch, CMD_MODEL_MODE1, CHANGE_MODEL_MODE1, &StrobeData::nModelMode1, P2, 0x08,
     "free", "prop"},
    {"mode2", Switch, CMD_MODEL_MODE2, CHANGE_MODEL_MODE2, &StrobeData::nModelMode2, P2, 0x10,
     "flash-prop", "continuous"},
    // Its echo is a charge report that stores nothing.
    {"test", Trigger, CMD_TEST_FLASH, CHANGE_NONE, nullptr, P2, 0, nullptr, nullptr},
};

template <typename Matches> const UnitSetting* find(Matches matches) {
    for (const UnitSetting& setting : kSettings) {
        if (matches(setting))
            return &setting;
    }
    return nullptr;
}

} // namespace

std::span<const UnitSetting> UnitSettings() {
    return kSettings;
}

const UnitSetting* SettingOfCommand(int commandType) {
    return find([=](const UnitSetting& s) { return s.commandType == commandType; });
}

const UnitSetting* SettingOfChange(int changeCode) {
    if (changeCode == CHANGE_NONE)
        return nullptr;
    return find([=](const UnitSetting& s) { return s.changeCode == changeCode; });
}

const UnitSetting* SettingOfMember(int StrobeData::*member) {
    if (member == nullptr)
        return nullptr;
    return find([=](const UnitSetting& s) { return s.member == member; });
}

const UnitSetting* SettingNamed(QStringView name) {
    return find([=](const UnitSetting& s) { return name == QLatin1String(s.name); });
}

QString SettingNames() {
    QStringList names;
    for (const UnitSetting& setting : kSettings)
        names.append(QLatin1String(setting.name));
    return names.join(QStringLiteral(", "));
}

QString SettingValueText(const UnitSetting& setting, int value) {
    switch (setting.kind) {
    case Level:
        return FormatPowerLevel(value);
    case Switch:
        return QLatin1String(value != 0 ? setting.onWord : setting.offWord);
    case Trigger:
        break;
    }
    return {};
}

QString SettingText(const UnitSetting& setting, int value) {
    return QLatin1String(setting.name) + QLatin1Char(' ') + SettingValueText(setting, value);
}

} // namespace lumadesk
