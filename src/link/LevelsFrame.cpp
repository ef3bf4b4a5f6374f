#include "link/LevelsFrame.h"

namespace lumadesk {

LevelsFrame ReadLevelsFrame(const std::uint8_t* frame) {
    LevelsFrame heads;
    for (int channel = 0; frame != nullptr && channel < kChannelCount; ++channel) {
        const int flash = frame[3 + 2 * channel];
        const int model = frame[4 + 2 * channel];
        if (flash != 0 && model != 0)
            heads[std::size_t(channel)] = LevelPair{flash, model};
    }
    return heads;
}

} // namespace lumadesk
