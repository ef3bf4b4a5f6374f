#include "link/CommandFrames.h"

#include "link/ChannelMask.h"
#include "model/StudioModel.h"

namespace {

char lowByte(int value) {
    return char(value & 0xFF);
}

void appendMask(QByteArray& frame, std::uint16_t mask, const StrobeData& unit) {
    if (mask == 0)
        mask = MaskFromChannel(unit.nChNum);
    frame.append(char(mask >> 8));
    frame.append(char(mask & 0xFF));
}

// P2 of a switch command: the switch's own bit when it is set.
bool switchBit(const StrobeData& unit, int type, char& p2) {
    switch (type) {
    case CMD_MODEL_MODE1:
        p2 = unit.nModelMode1 ? 0x08 : 0x00;
        return true;
    case CMD_MODEL_MODE2:
        p2 = unit.nModelMode2 ? 0x10 : 0x00;
        return true;
    case CMD_FLASH_CELL:
        p2 = unit.bFlashCell ? 0x02 : 0x00;
        return true;
    case CMD_FLASH_SOUND:
        p2 = unit.bFlashSnd ? 0x04 : 0x00;
        return true;
    case CMD_TEST_FLASH:
        p2 = 0x00;
        return true;
    case CMD_MODEL_POWER:
        p2 = unit.bModelPow ? 0x01 : 0x00;
        return true;
    case CMD_FLASH_POWER:
        p2 = unit.bFlashPow ? 0x01 : 0x00;
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray BuildStudioSelect(int studioNumber) {
    QByteArray frame("\xFF\x05\x00\x00", 4);
    frame.append(lowByte(0x41 + studioNumber));
    return frame;
}

QByteArray BuildUnitCommand(std::uint16_t mask, const StrobeData& unit, int type) {
    char p1 = 0x00;
    char p2 = 0x00;
    if (type == CMD_FLASH_LEVEL || type == CMD_MODEL_LEVEL) {
        p1 = lowByte(unit.nFlashValue);
        p2 = lowByte(unit.nModelValue);
    } else if (!switchBit(unit, type, p2)) {
        return {};
    }
    QByteArray frame;
    frame.reserve(7);
    frame.append(char(0xFF)).append(char(0x07)).append(char(0x10 | type));
    appendMask(frame, mask, unit);
    frame.append(p1).append(p2);
    return frame;
}

QByteArray BuildUnitSettings(std::uint16_t mask, const StrobeData& unit) {
    QByteArray frame;
    frame.reserve(14);
    frame.append(char(0xFF)).append(char(0x0E)).append(char(0x01));
    appendMask(frame, mask, unit);
    for (int value : {unit.bFlashPow, unit.nFlashValue, unit.nModelValue, unit.bFlashCell,
                      unit.bFlashSnd, unit.nModelMode1, unit.nModelMode2, unit.bModelPow})
        frame.append(lowByte(value));
    frame.append(char(0x00));
    return frame;
}

QByteArray BuildStudioLevels(int type, const StudioData& studio) {
    if (type != LEVELS_FLASH && type != LEVELS_MODEL)
        return {};
    QByteArray frame;
    frame.reserve(23);
    frame.append(char(0xFF)).append(char(0x17)).append(char(0x10 | type));
    for (int i = 0; i < kChannelCount; ++i) {
        const StrobeData* unit = studio.UnitOn(i);
        frame.append(unit ? lowByte(unit->nFlashValue) : char(0));
        frame.append(unit ? lowByte(unit->nModelValue) : char(0));
    }
    return frame;
}
