#pragma once

#include "model/PowerLevel.h"

namespace lumadesk {

// The arithmetic both control panels share: spin steps, the follower of proportional linking,
// the offset slider's positions and an offset applied to a level. Pure; the panels only show
// and forward what these give.

// A spin reports a pending change: negative for its up arrow, positive for down, 0 for none.
inline constexpr int kLevelSliderLow = kLowestLevel;
inline constexpr int kLevelSliderHigh = kHighestLevel;
inline constexpr int kOffsetSliderLow = 1;
inline constexpr int kOffsetSliderHigh = 163;
inline constexpr int kOffsetSliderCentre = 82;

// Up while below 81, down while above 11; otherwise the level as it was.
[[nodiscard]] int StepLevel(int level, int change);

// Up while below 81, down while -80 or above; otherwise the offset as it was.
[[nodiscard]] int StepOffset(int offset, int change);

// The linked follower of a level stepped by one click. Only one side is clamped: a follower
// below 11 rises by one on a step up, and becomes 11 on a step down.
[[nodiscard]] int FollowLevelStep(int follower, int change);

// The linked follower of a level moved by a slider from old to new (delta = new - old).
[[nodiscard]] int FollowLevelMove(int follower, int delta);

// The same two rules for offsets, clamped to -81 and 81.
[[nodiscard]] int FollowOffsetStep(int follower, int change);
[[nodiscard]] int FollowOffsetMove(int follower, int delta);

// Offset slider: position = offset + 82.
[[nodiscard]] constexpr int OffsetSliderPosition(int offset) {
    return offset + kOffsetSliderCentre;
}
[[nodiscard]] constexpr int OffsetOfSliderPosition(int position) {
    return position - kOffsetSliderCentre;
}

// A follower slider's position moved by delta, kept to 1..163.
[[nodiscard]] int MoveOffsetSlider(int position, int delta);

// level + change, then 81 or more is 81 and 11 or less is 11.
[[nodiscard]] int ApplyOffsetChange(int level, int change);

} // namespace lumadesk
