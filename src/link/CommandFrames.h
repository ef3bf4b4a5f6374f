#pragma once

#include <QByteArray>
#include <cstdint>

struct StrobeData;
struct StudioData;

// The four command frames, built from a record or a studio. Pure: bytes out, no I/O.
// Every parameter byte is the low byte of the stored value. An empty result means the
// arguments build no frame.

// Unit command types (frame byte 2 is 0x10 | type).
enum UnitCommandType : int {
    CMD_FLASH_LEVEL = 3,
    CMD_MODEL_LEVEL = 4,
    CMD_MODEL_MODE1 = 5,
    CMD_MODEL_MODE2 = 6,
    CMD_FLASH_CELL = 7,
    CMD_FLASH_SOUND = 8,
    CMD_TEST_FLASH = 11,
    CMD_MODEL_POWER = 12,
    CMD_FLASH_POWER = 13,
};

// Studio levels frame types.
inline constexpr int LEVELS_FLASH = 14;
inline constexpr int LEVELS_MODEL = 15;

// FF 05 00 00 41+n.
QByteArray BuildStudioSelect(int studioNumber);

// FF 07 1t mask P1 P2; a mask of 0 stands for the unit's own channel. Empty for a type that
// is not a unit command.
QByteArray BuildUnitCommand(std::uint16_t mask, const StrobeData& unit, int type);

// FF 0E 01 mask and the eight settings, then 00.
QByteArray BuildUnitSettings(std::uint16_t mask, const StrobeData& unit);

// FF 17 1E|1F and ten (flash, model) pairs, 00 00 for an empty slot. Empty for other types.
QByteArray BuildStudioLevels(int type, const StudioData& studio);
