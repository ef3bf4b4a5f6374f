#include "link/CommandFrames.h"

#include "link/ChannelMask.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"

#include <algorithm>

namespace lumadesk {

using namespace lumadesk;

namespace {

// The channel bits and the group bits; the console never sets the others.
constexpr std::uint16_t kMaskBits = 0x1F1F | kGroupMask;

char lowByte(int value) {
    return char(value & 0xFF);
}

// A record may hold anything a report or a file brought; the wire takes only what its field
// documents, so no byte can be a start byte or a level the head does not know.
char levelByte(int level) {
    return char(std::clamp(level, kLowestLevel, kHighestLevel));
}

char switchByte(int value) {
    return char(value != 0 ? 1 : 0);
}

QByteArray frameHead(int length, int typeByte) {
    QByteArray frame;
    frame.reserve(length);
    frame.append(char(kStartByte)).append(lowByte(length)).append(lowByte(typeByte));
    return frame;
}

void appendMask(QByteArray& frame, std::uint16_t mask, const StrobeData& unit) {
    if (mask == 0)
        mask = MaskFromChannel(unit.nChNum);
    mask &= kMaskBits;
    frame.append(char(mask >> 8));
    frame.append(char(mask & 0xFF));
}

} // namespace

QByteArray BuildStudioSelect(int studioNumber) {
    if (studioNumber < 0 || studioNumber >= kStudioCount)
        return {};
    QByteArray frame = frameHead(kStudioSelectLength, kStudioSelectFrame);
    frame.append(char(0x00));
    frame.append(lowByte(kFirstStudioLetter + studioNumber));
    return frame;
}

QByteArray BuildUnitCommand(std::uint16_t mask, const StrobeData& unit, int type) {
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr)
        return {};
    char params[2] = {0x00, 0x00}; // P1, P2
    switch (setting->kind) {
    case SettingKind::Level:
        // Every level command carries every level, each in its own byte.
        for (const UnitSetting& level : UnitSettings()) {
            if (level.kind == SettingKind::Level)
                params[int(level.param)] = levelByte(unit.*level.member);
        }
        break;
    case SettingKind::Switch:
        params[int(setting->param)] = char(unit.*setting->member != 0 ? setting->onBit : 0x00);
        break;
    case SettingKind::Trigger:
        break;
    }
    QByteArray frame = frameHead(kUnitCommandLength, kUnitCommandFrame | type);
    appendMask(frame, mask, unit);
    frame.append(params[0]).append(params[1]);
    return frame;
}

QByteArray BuildUnitSettings(std::uint16_t mask, const StrobeData& unit) {
    QByteArray frame = frameHead(kUnitSettingsLength, kUnitSettingsFrame);
    appendMask(frame, mask, unit);
    frame.append(switchByte(unit.bFlashPow))
        .append(levelByte(unit.nFlashValue))
        .append(levelByte(unit.nModelValue));
    for (int value :
         {unit.bFlashCell, unit.bFlashSnd, unit.nModelMode1, unit.nModelMode2, unit.bModelPow})
        frame.append(switchByte(value));
    frame.append(char(0x00));
    return frame;
}

QByteArray BuildStudioLevels(int type, const StudioData& studio) {
    if (type != LEVELS_FLASH && type != LEVELS_MODEL)
        return {};
    QByteArray frame = frameHead(kStudioLevelsLength, kStudioLevelsFrame | type);
    for (int i = 0; i < kChannelCount; ++i) {
        const StrobeData* unit = studio.UnitOn(i);
        frame.append(unit ? levelByte(unit->nFlashValue) : char(0));
        frame.append(unit ? levelByte(unit->nModelValue) : char(0));
    }
    return frame;
}

} // namespace lumadesk
