#pragma once

#include <QString>

namespace lumadesk {

// Power levels and offsets count tenths of the number shown: 45 is "4.5". Only the panels'
// own arithmetic keeps to these ranges; reports and files may bring any value.
inline constexpr int kLowestLevel = 11;
inline constexpr int kHighestLevel = 81;
inline constexpr int kLowestOffset = -81;
inline constexpr int kHighestOffset = 81;

[[nodiscard]] constexpr bool IsValidLevel(int level) {
    return level >= kLowestLevel && level <= kHighestLevel;
}

// "4.5" for 45, "0.0" for 0, "10.0" for 100.
QString FormatPowerLevel(int level);

// "-0.5" for -5, "8.1" for 81: the sign is written even when the whole part is 0.
QString FormatPowerOffset(int offset);

} // namespace lumadesk
