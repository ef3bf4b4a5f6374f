#include "link/ChannelMask.h"

#include "model/StrobeData.h"

namespace lumadesk {

int ChannelFromMask(std::uint16_t mask) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & MaskFromChannel(channel))
            return channel;
    }
    return (mask & kGroupMask) ? kGroupChannel : -1;
}

} // namespace lumadesk
