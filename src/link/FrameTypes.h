#pragma once

#include <cstdint>

namespace lumadesk {

// The radio's numbers by name: what byte 2 of a frame says, in both directions, and the types
// inside each report kind. Every frame is FF, its total length, byte 2, then the body.

// Unit command types (frame byte 2 is 0x10 | type). A head echoes each in a setting report of
// the same type.
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

// Studio levels frame types, echoed in setting reports of the same types.
inline constexpr int LEVELS_FLASH = 14;
inline constexpr int LEVELS_MODEL = 15;

inline constexpr std::uint8_t kStartByte = 0xFF;

// Byte 2 and total length of the four frames the console sends.
inline constexpr std::uint8_t kStudioSelectFrame = 0x00;
inline constexpr int kStudioSelectLength = 5;
inline constexpr std::uint8_t kUnitCommandFrame = 0x10; // | unit command type
inline constexpr int kUnitCommandLength = 7;
inline constexpr std::uint8_t kUnitSettingsFrame = 0x01;
inline constexpr int kUnitSettingsLength = 14;
inline constexpr std::uint8_t kStudioLevelsFrame = 0x10; // | levels type
inline constexpr int kStudioLevelsLength = 23;

// Studio select names studio n by the letter 'A' + n.
inline constexpr int kFirstStudioLetter = 0x41;

// Report kinds: byte 2's high nibble, or the whole byte below 0x10. The type is the low nibble.
inline constexpr std::uint8_t kStatusReport = 0x01;
inline constexpr std::uint8_t kSettingReport = 0x10; // type: unit command or levels type
inline constexpr std::uint8_t kHeatReport = 0x30;
inline constexpr std::uint8_t kChargeReport = 0x60;
// Assembled like the others, then dropped: nothing we know of travels in them.
inline constexpr std::uint8_t kQuietReport00 = 0x00;
inline constexpr std::uint8_t kQuietReport02 = 0x02;

[[nodiscard]] constexpr int ReportType(std::uint8_t kindByte) {
    return kindByte & 0x0F;
}

// Types that carry something inside their kind.
inline constexpr int kStatusType = 1; // the whole kind byte of a status report
inline constexpr int kChargeStateType = 1;
inline constexpr int kTestEchoType = CMD_TEST_FLASH; // a charge report answers the test flash
inline constexpr int kHeatLevelType = 10;

// The shortest frame that can complete: start, length, byte 2 and one body byte.
inline constexpr int kShortestFrame = 4;

} // namespace lumadesk
