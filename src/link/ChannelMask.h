#pragma once

#include <cstdint>

// A 16-bit set of addressed channels: channels 0-4 are bits 0-4, channels 5-9 bits 8-12, and
// the group address 11 is 0x8080. On the wire the high byte goes first.
inline constexpr int kGroupChannel = 11;
inline constexpr std::uint16_t kGroupMask = 0x8080;

std::uint16_t MaskFromChannel(int channel);

// The lowest channel whose bit is set (0..9), else 11 when a group bit is set, else -1.
int ChannelFromMask(std::uint16_t mask);
