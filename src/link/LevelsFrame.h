#pragma once

#include "model/StrobeData.h"

#include <array>
#include <cstdint>
#include <optional>

namespace lumadesk {

// The (flash, model) pair a studio levels frame carries for one channel.
struct LevelPair {
    int flash = 0;
    int model = 0;
    friend bool operator==(const LevelPair&, const LevelPair&) = default;
};

// Per channel, the head's pair, or nothing where the frame has no head.
using LevelsFrame = std::array<std::optional<LevelPair>, kChannelCount>;

// Reads a studio levels frame, sent or echoed (setting report types 14 and 15): a pair per channel
// from byte 3 on. A pair with a zero byte is no head there: heads leave that slot alone, so the
// console does too. A null frame has no head at all.
[[nodiscard]] LevelsFrame ReadLevelsFrame(const std::uint8_t* frame);

} // namespace lumadesk
