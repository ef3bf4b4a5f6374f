#include "cli/UnitSettings.h"

#include "link/CStrobeEventHandler.h"
#include "link/CommandFrames.h"
#include "model/PowerLevel.h"

#include <QRegularExpression>
#include <QStringList>
#include <iterator>

namespace {

// mode2 is "Continous" when set and "Flash Prop" when clear; mode1 "Prop" when set.
const UnitSetting kSettings[] = {
    {"flash", SettingKind::Level, CMD_FLASH_LEVEL, CHANGE_FLASH_LEVEL, &StrobeData::nFlashValue,
     nullptr, nullptr},
    {"model", SettingKind::Level, CMD_MODEL_LEVEL, CHANGE_MODEL_LEVEL, &StrobeData::nModelValue,
     nullptr, nullptr},
    {"cell", SettingKind::Switch, CMD_FLASH_CELL, CHANGE_FLASH_CELL, &StrobeData::bFlashCell, "off",
     "on"},
    {"sound", SettingKind::Switch, CMD_FLASH_SOUND, CHANGE_FLASH_SOUND, &StrobeData::bFlashSnd,
     "off", "on"},
    {"power", SettingKind::Switch, CMD_FLASH_POWER, CHANGE_FLASH_POWER, &StrobeData::bFlashPow,
     "off", "on"},
    {"lamp", SettingKind::Switch, CMD_MODEL_POWER, CHANGE_MODEL_POWER, &StrobeData::bModelPow,
     "off", "on"},
    {"mode1", SettingKind::Switch, CMD_MODEL_MODE1, CHANGE_MODEL_MODE1, &StrobeData::nModelMode1,
     "free", "prop"},
    {"mode2", SettingKind::Switch, CMD_MODEL_MODE2, CHANGE_MODEL_MODE2, &StrobeData::nModelMode2,
     "flash-prop", "continuous"},
    // The test echo is a charge report that stores nothing.
    {"test", SettingKind::Trigger, CMD_TEST_FLASH, CHANGE_NONE, nullptr, nullptr, nullptr},
};

} // namespace

const UnitSetting* FindSetting(const QString& name) {
    for (const UnitSetting& setting : kSettings) {
        if (name == QLatin1String(setting.name))
            return &setting;
    }
    return nullptr;
}

QString SettingNames() {
    QStringList names;
    for (const UnitSetting& setting : kSettings)
        names.append(QLatin1String(setting.name));
    return names.join(QStringLiteral(", "));
}

QString SwitchWord(const UnitSetting& setting, int value) {
    return QLatin1String(value != 0 ? setting.onWord : setting.offWord);
}

const UnitSetting* SettingOfField(int StrobeData::*field) {
    for (const UnitSetting& setting : kSettings) {
        if (setting.field == field)
            return &setting;
    }
    return nullptr;
}

int ParseLevel(const QString& text) {
    static const QRegularExpression level(QStringLiteral("^([0-9])(?:\\.([0-9]))?$"));
    const QRegularExpressionMatch match = level.match(text);
    if (!match.hasMatch())
        return -1;
    const int tenths = match.captured(1).toInt() * 10 + match.captured(2).toInt();
    return IsValidLevel(tenths) ? tenths : -1;
}

QString LevelText(int tenths) {
    return FormatPowerLevel(tenths);
}
