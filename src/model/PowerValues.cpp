#include "model/PowerValues.h"

#include <algorithm>

namespace lumadesk {

int StepLevel(int level, int change) {
    if (change < 0 && level < kHighestLevel)
        return level + 1;
    if (change > 0 && level > kLowestLevel)
        return level - 1;
    return level;
}

int StepOffset(int offset, int change) {
    if (change < 0 && offset < kHighestOffset)
        return offset + 1;
    if (change > 0 && offset >= kLowestOffset + 1)
        return offset - 1;
    return offset;
}

int FollowLevelStep(int follower, int change) {
    if (change < 0)
        return follower + 1 > kHighestLevel - 1 ? kHighestLevel : follower + 1;
    if (change > 0)
        return follower - 1 <= kLowestLevel ? kLowestLevel : follower - 1;
    return follower;
}

int FollowLevelMove(int follower, int delta) {
    const int moved = follower + delta;
    if (moved <= kLowestLevel)
        return kLowestLevel;
    return moved > kHighestLevel - 1 ? kHighestLevel : moved;
}

int FollowOffsetStep(int follower, int change) {
    if (change < 0)
        return follower + 1 > kHighestOffset - 1 ? kHighestOffset : follower + 1;
    if (change > 0)
        return follower - 1 < kLowestOffset + 1 ? kLowestOffset : follower - 1;
    return follower;
}

int FollowOffsetMove(int follower, int delta) {
    const int moved = follower + delta;
    if (moved < kLowestOffset + 1)
        return kLowestOffset;
    return moved > kHighestOffset - 1 ? kHighestOffset : moved;
}

int MoveOffsetSlider(int position, int delta) {
    return std::clamp(position + delta, kOffsetSliderLow, kOffsetSliderHigh);
}

int ApplyOffsetChange(int level, int change) {
    return std::clamp(level + change, kLowestLevel, kHighestLevel);
}

} // namespace lumadesk
