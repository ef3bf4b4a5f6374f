#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace lumadesk {

// The frames waiting for the port's writer thread, oldest first, bounded in frames and bytes.
// Pure: bytes in, bytes out, no thread of its own and no lock (CCommThread holds one).
//
// While the line holds back (setBacklogged), a newer absolute level replaces the queued frame
// that sets the same value of the same heads (a unit's flash or modelling level command to the
// same mask, a studio's levels frame of the same type), keeping that frame's place, as long as
// nothing queued after it reaches those heads: a studio select re-addresses every head, and
// another frame to them may set the same value or must stay behind it. Nothing else is dropped
// or moved, and on a line that keeps up every frame goes out as it was written.
class WriteQueue {
public:
    static constexpr int kMaxFrames = 128;
    static constexpr int kMaxBytes = 4096;

    enum class Put { Queued, Replaced, Full };

    // Full leaves the queue as it was; a replacement needs no room.
    Put put(const std::uint8_t* bytes, int count);
    // The oldest frame, taken out; empty when none is queued.
    std::vector<std::uint8_t> take();
    void clear();

    void setBacklogged(bool backlogged) { m_backlogged = backlogged; }
    bool isBacklogged() const { return m_backlogged; }

    // Whether this many more frames of up to `longest` bytes each would fit.
    bool hasRoomFor(int frames, int longest) const;
    int frames() const { return int(m_frames.size()); }
    int bytes() const { return m_bytes; }

private:
    std::deque<std::vector<std::uint8_t>> m_frames;
    int m_bytes = 0;
    bool m_backlogged = false;
};

} // namespace lumadesk
