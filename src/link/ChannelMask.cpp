#include "link/ChannelMask.h"

#include "model/StrobeData.h"

int ChannelFromMask(std::uint16_t mask) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & MaskFromChannel(channel))
            return channel;
    }
    return (mask & kGroupMask) ? kGroupChannel : -1;
}
