#include "link/ChannelMask.h"

std::uint16_t MaskFromChannel(int channel) {
    const unsigned n = unsigned(channel); // a negative channel lands in "no head"
    if (n <= 4)
        return std::uint16_t(0x0001u << n);
    if (n <= 9)
        return std::uint16_t(0x0100u << (n - 5));
    if (n == unsigned(kGroupChannel))
        return kGroupMask;
    return 0;
}

int ChannelFromMask(std::uint16_t mask) {
    for (int channel = 0; channel <= 9; ++channel) {
        if (mask & MaskFromChannel(channel))
            return channel;
    }
    return (mask & kGroupMask) ? kGroupChannel : -1;
}
