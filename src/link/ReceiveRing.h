#pragma once

#include "platform/SerialDevice.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

namespace lumadesk {

// The 4096-byte single-producer, single-consumer receive ring between the reader thread and the
// GUI thread. One position always stays free, so it holds at most 4095 bytes. The producer
// publishes bytes with a release store of the write index; the consumer returns space with a
// release store of the read index; each loads the other's index with acquire.
//
// A producer whose chunk does not fit may wait for the consumer to make room: it raises its
// waiting flag and sleeps on an eventfd, which the consumer raises when it returns space and
// finds the flag set. Both sides test and clear the flag with read-modify-write operations, so
// either the consumer sees the flag or the producer sees the new read index.
//
// The producer tells the consumer of new bytes only when the consumer has looked since it was
// last told: announce() says whether a message must go, acknowledge() (before the consumer
// reads the count) makes the next announce() say so. Both are read-modify-writes of one flag,
// so bytes stored before an announce() that sends nothing are seen by the look that follows.
class ReceiveRing {
public:
    static constexpr int kSize = 4096;
    static constexpr int kCapacity = kSize - 1;

    enum class RoomWait { Room, Woken, Stalled };

    // Either side: bytes held, (write - read + size) mod size.
    int held() const;

    // Producer: stores the chunk whole when it fits (count < free space), else stores nothing.
    bool append(const std::uint8_t* bytes, int count);

    // Producer: blocks until count bytes fit (Room), wakeFd becomes readable (Woken) or no
    // space was returned for stallMs (Stalled). Every return of space restarts the stall limit.
    RoomWait waitForRoom(int count, int wakeFd, int stallMs);

    // Consumer: the held bytes from the read index up to the end of the array or the write
    // index, whichever comes first; at most `limit`. Stable until consume().
    std::span<const std::uint8_t> readable(int limit = kCapacity) const;

    // Consumer: returns the first `count` readable bytes to the producer (one index store).
    void consume(int count);

    // Consumer: the byte at the read index; the read index then advances. Only call while
    // held() > 0.
    std::uint8_t take();

    // Producer, after storing: true when the consumer must be told (it has looked since the
    // last time).
    bool announce() { return !m_announced.exchange(true, std::memory_order_acq_rel); }

    // Consumer, before reading held(): bytes stored after this are announced again.
    void acknowledge() { m_announced.exchange(false, std::memory_order_acq_rel); }

    int writeIndex() const { return m_write.load(std::memory_order_acquire); }
    int readIndex() const { return m_read.load(std::memory_order_acquire); }

private:
    bool fits(int count) const;

    std::array<std::uint8_t, kSize> m_bytes{};
    std::atomic<int> m_write{0};
    std::atomic<int> m_read{0};
    std::atomic<bool> m_producerWaiting{false};
    std::atomic<bool> m_announced{false};
    WakeSignal m_room;
};

} // namespace lumadesk
