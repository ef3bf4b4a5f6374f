#include "link/ChannelMask.h"

int ChannelFromMask(std::uint16_t mask) {
    for (int channel = 0; channel <= 9; ++channel) {
        if (mask & MaskFromChannel(channel))
            return channel;
    }
    return (mask & kGroupMask) ? kGroupChannel : -1;
}
