#pragma once

#include "link/FrameTypes.h"

#include <QByteArray>
#include <cstdint>

namespace lumadesk {

struct StrobeData;
struct StudioData;

// The four command frames, built from a record or a studio. Pure: bytes out, no I/O.
// Every byte stays in its field's range whatever the record holds: a level is kept to 11-81, a
// switch is 0 or 1 (or its command bit), a mask keeps only channel and group bits. An empty
// result means the arguments build no frame.

// FF 05 00 00 41+n, for studios 0-4.
QByteArray BuildStudioSelect(int studioNumber);

// FF 07 1t mask P1 P2; a mask of 0 stands for the unit's own channel. Empty for a type that
// is not a unit command.
QByteArray BuildUnitCommand(std::uint16_t mask, const StrobeData& unit, int type);

// FF 0E 01 mask and the eight settings, then 00.
QByteArray BuildUnitSettings(std::uint16_t mask, const StrobeData& unit);

// FF 17 1E|1F and ten (flash, model) pairs, 00 00 for an empty slot. Empty for other types.
QByteArray BuildStudioLevels(int type, const StudioData& studio);

} // namespace lumadesk
