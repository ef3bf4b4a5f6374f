#include "link/ReceiveRing.h"

int ReceiveRing::held() const {
    const int write = m_write.load(std::memory_order_acquire);
    const int read = m_read.load(std::memory_order_acquire);
    return (write - read + kSize) % kSize;
}

bool ReceiveRing::append(const std::uint8_t* bytes, int count) {
    const int write = m_write.load(std::memory_order_relaxed); // only we move it
    const int read = m_read.load(std::memory_order_acquire);
    const int free = kSize - (write - read + kSize) % kSize;
    if (count < 0 || count >= free)
        return false;
    int at = write;
    for (int i = 0; i < count; ++i) {
        m_bytes[std::size_t(at)] = bytes[i];
        at = (at + 1) % kSize;
    }
    m_write.store(at, std::memory_order_release);
    return true;
}

std::uint8_t ReceiveRing::take() {
    const int read = m_read.load(std::memory_order_relaxed); // only we move it
    m_write.load(std::memory_order_acquire); // pairs with the producer's release of these bytes
    const std::uint8_t byte = m_bytes[std::size_t(read)];
    m_read.store((read + 1) % kSize, std::memory_order_release);
    return byte;
}
