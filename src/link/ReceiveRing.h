#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// The 4096-byte single-producer, single-consumer receive ring between the reader thread and the
// GUI thread. One position always stays free, so it holds at most 4095 bytes. The producer
// publishes bytes with a release store of the write index; the consumer returns space with a
// release store of the read index; each loads the other's index with acquire.
class ReceiveRing {
public:
    static constexpr int kSize = 4096;
    static constexpr int kCapacity = kSize - 1;

    // Either side: bytes held, (write - read + size) mod size.
    int held() const;

    // Producer: stores the chunk whole when it fits (count < free space), else stores nothing.
    bool append(const std::uint8_t* bytes, int count);

    // Consumer: the byte at the read index; the read index then advances. Only call while
    // held() > 0.
    std::uint8_t take();

    int writeIndex() const { return m_write.load(std::memory_order_acquire); }
    int readIndex() const { return m_read.load(std::memory_order_acquire); }

private:
    std::array<std::uint8_t, kSize> m_bytes{};
    std::atomic<int> m_write{0};
    std::atomic<int> m_read{0};
};
