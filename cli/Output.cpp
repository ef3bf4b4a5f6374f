#include "cli/Output.h"

#include "cli/UnitSettings.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <cstdio>

namespace lumadesk::cli {

using namespace lumadesk;

namespace {

bool writeAll(FILE* stream, const QByteArray& bytes) {
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == size_t(bytes.size());
}

bool g_outputClosed = false;

QByteArray number(int value) {
    return QByteArray::number(value);
}

QString channelText(int channel) {
    const QString label = ChannelLabel(channel);
    return label.isEmpty() ? QStringLiteral("channel %1").arg(channel) : label;
}

// "cell on", "flash 4.5": the setting held in that record member, as `set` names it.
QString settingText(int StrobeData::*member, int value) {
    return SettingText(*SettingOfMember(member), value);
}

// The eight settings a head reports.
QString settingsText(int flash, int model, int power, int lamp, int cell, int sound, int mode1,
                     int mode2) {
    return QStringList{
        settingText(&StrobeData::nFlashValue, flash), settingText(&StrobeData::nModelValue, model),
        settingText(&StrobeData::bFlashPow, power),   settingText(&StrobeData::bModelPow, lamp),
        settingText(&StrobeData::bFlashCell, cell),   settingText(&StrobeData::bFlashSnd, sound),
        settingText(&StrobeData::nModelMode1, mode1), settingText(&StrobeData::nModelMode2, mode2)}
        .join(QStringLiteral("  "));
}

const char* kindName(RadioEvent::Kind kind) {
    switch (kind) {
    case RadioEvent::Status:
        return "status";
    case RadioEvent::Setting:
        return "setting";
    case RadioEvent::Charge:
        return "charge";
    case RadioEvent::Heat:
        return "heat";
    case RadioEvent::Levels:
        return "levels";
    }
    return "";
}

// What a setting echo says, for people: both levels for a level type (the echo carries both),
// the switch for a switch type, the raw value otherwise.
QString settingValueText(int type, int value) {
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr || setting->kind == SettingKind::Trigger)
        return QStringLiteral("value %1").arg(value);
    if (setting->kind == SettingKind::Switch)
        return SettingText(*setting, EchoedByte(*setting, value));
    QStringList levels;
    for (const UnitSetting& level : UnitSettings()) {
        if (level.kind == SettingKind::Level)
            levels.append(SettingText(level, EchoedByte(level, value)));
    }
    return levels.join(QStringLiteral("  "));
}

} // namespace

void PrintOut(const QString& text) {
    PrintOutBytes((text + QLatin1Char('\n')).toUtf8());
}

void PrintOutBytes(const QByteArray& bytes) {
    if (!g_outputClosed && !writeAll(stdout, bytes))
        g_outputClosed = true;
}

bool OutputClosed() {
    return g_outputClosed;
}

void PrintError(const QString& text) {
    writeAll(stderr, (QStringLiteral("lumadesk-cli: ") + text + QLatin1Char('\n')).toLocal8Bit());
}

QByteArray JsonString(const QString& text) {
    // Qt's own escaping; the array's brackets come off.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray JsonObject(std::initializer_list<std::pair<const char*, QByteArray>> members) {
    QByteArray out("{");
    for (const auto& [key, value] : members) {
        if (out.size() > 1)
            out += ',';
        out += '"' + QByteArray(key) + "\":" + value;
    }
    return out + '}';
}

QByteArray JsonArray(const QList<QByteArray>& items) {
    QByteArray out("[");
    for (const QByteArray& item : items) {
        if (out.size() > 1)
            out += ',';
        out += item;
    }
    return out + ']';
}

QByteArray UnitJson(const StrobeData& unit) {
    return JsonObject({{"nChNum", number(unit.nChNum)},
                       {"sChName", JsonString(unit.sChName)},
                       {"sModelName", JsonString(unit.sModelName)},
                       {"nFlashValue", number(unit.nFlashValue)},
                       {"bFlashCell", number(unit.bFlashCell)},
                       {"bFlashSnd", number(unit.bFlashSnd)},
                       {"bFlashCharge", number(unit.bFlashCharge)},
                       {"bFlashPow", number(unit.bFlashPow)},
                       {"nModelValue", number(unit.nModelValue)},
                       {"nModelMode1", number(unit.nModelMode1)},
                       {"nModelMode2", number(unit.nModelMode2)},
                       {"bModelPow", number(unit.bModelPow)},
                       {"nHeatLevel", number(unit.nHeatLevel)}});
}

QByteArray StudioJson(const StudioData& studio,
                      std::initializer_list<std::pair<const char*, QByteArray>> extra) {
    QList<QByteArray> units;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio.UnitOn(i))
            units.append(UnitJson(*unit));
    }
    QByteArray out =
        JsonObject({{"studio", JsonString(studio.sStudioName)}, {"units", JsonArray(units)}});
    if (extra.size() > 0) {
        out.chop(1);
        out += ',' + JsonObject(extra).mid(1);
    }
    return out;
}

QByteArray EventJson(const RadioEvent& event) {
    QByteArray value;
    switch (event.kind) {
    case RadioEvent::Status: {
        const RadioEvent::Settings& s = event.status;
        value = JsonObject({{"nFlashValue", number(s.nFlashValue)},
                            {"bFlashCell", number(s.bFlashCell)},
                            {"bFlashSnd", number(s.bFlashSnd)},
                            {"bFlashPow", number(s.bFlashPow)},
                            {"nModelValue", number(s.nModelValue)},
                            {"nModelMode1", number(s.nModelMode1)},
                            {"nModelMode2", number(s.nModelMode2)},
                            {"bModelPow", number(s.bModelPow)}});
        break;
    }
    case RadioEvent::Levels: {
        QList<QByteArray> pairs;
        for (const auto& [flash, model] : event.levels)
            pairs.append(JsonArray({number(flash), number(model)}));
        value = JsonArray(pairs);
        break;
    }
    default:
        value = number(event.value);
        break;
    }
    return JsonObject({{"event", JsonString(QLatin1String(kindName(event.kind)))},
                       {"type", number(event.type)},
                       {"channel", number(event.channel)},
                       {"value", value}});
}

QString UnitLine(const StrobeData& unit) {
    return QStringLiteral("%1  %2  charge %3  heat %4  \"%5\"")
        .arg(unit.sChName,
             settingsText(unit.nFlashValue, unit.nModelValue, unit.bFlashPow, unit.bModelPow,
                          unit.bFlashCell, unit.bFlashSnd, unit.nModelMode1, unit.nModelMode2),
             unit.bFlashCharge != 0 ? QStringLiteral("ready") : QStringLiteral("charging"))
        .arg(unit.nHeatLevel)
        .arg(unit.sModelName);
}

QString StudioText(const StudioData& studio) {
    QStringList lines{
        QStringLiteral("%1: %2 head(s)").arg(studio.sStudioName).arg(studio.nChItemCnt)};
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio.UnitOn(i))
            lines.append(UnitLine(*unit));
    }
    return lines.join(QLatin1Char('\n'));
}

QString EventLine(const RadioEvent& event) {
    const QString kind = QString::fromLatin1(kindName(event.kind)).leftJustified(8);
    switch (event.kind) {
    case RadioEvent::Status: {
        const RadioEvent::Settings& s = event.status;
        return kind + channelText(event.channel) + QStringLiteral("  ") +
               settingsText(s.nFlashValue, s.nModelValue, s.bFlashPow, s.bModelPow, s.bFlashCell,
                            s.bFlashSnd, s.nModelMode1, s.nModelMode2);
    }
    case RadioEvent::Setting:
        return kind + QStringLiteral("%1  type %2  %3")
                          .arg(channelText(event.channel))
                          .arg(event.type)
                          .arg(settingValueText(event.type, event.value));
    case RadioEvent::Levels: {
        QString line = kind + QStringLiteral("type %1").arg(event.type);
        for (std::size_t i = 0; i < event.levels.size(); ++i)
            line += QStringLiteral("  %1 %2/%3")
                        .arg(ChannelLabel(int(i)), FormatPowerLevel(event.levels[i].first),
                             FormatPowerLevel(event.levels[i].second));
        return line;
    }
    case RadioEvent::Charge:
    case RadioEvent::Heat:
        break;
    }
    return kind + QStringLiteral("%1  type %2  value %3")
                      .arg(channelText(event.channel))
                      .arg(event.type)
                      .arg(event.value);
}

void PrintStudio(const StudioData& studio, bool json) {
    if (json)
        PrintOutBytes(StudioJson(studio) + '\n');
    else
        PrintOut(StudioText(studio));
}

} // namespace lumadesk::cli
