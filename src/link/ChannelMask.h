#pragma once

#include <cstdint>

namespace lumadesk {

// A 16-bit set of addressed channels: channels 0-4 are bits 0-4, channels 5-9 bits 8-12, and
// the group address 11 is 0x8080. On the wire the high byte goes first.
inline constexpr int kGroupChannel = 11;
inline constexpr std::uint16_t kGroupMask = 0x8080;

constexpr std::uint16_t MaskFromChannel(int channel) {
    const unsigned n = unsigned(channel); // a negative channel lands in "no head"
    if (n <= 4)
        return std::uint16_t(0x0001u << n);
    if (n <= 9)
        return std::uint16_t(0x0100u << (n - 5));
    if (n == unsigned(kGroupChannel))
        return kGroupMask;
    return 0;
}

// The lowest channel whose bit is set (0..9), else 11 when a group bit is set, else -1.
int ChannelFromMask(std::uint16_t mask);

} // namespace lumadesk
