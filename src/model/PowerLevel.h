#pragma once

#include <QString>
#include <optional>

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

// What an operator types for a level or an offset, in tenths: "4.5" (or "4,5") and a single
// digit ("8") are the number shown, two or more digits without a point ("45") count tenths as
// the record does; a sign is allowed. Digits past the tenths must be zeros. Very long numbers
// saturate, so the caller's clamp still sees them as out of range. Anything else is no value.
[[nodiscard]] std::optional<int> ParsePowerText(const QString& text);

} // namespace lumadesk
