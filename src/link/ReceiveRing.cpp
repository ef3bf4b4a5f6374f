#include "link/ReceiveRing.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>

namespace lumadesk {

int ReceiveRing::held() const {
    const int write = m_write.load(std::memory_order_acquire);
    const int read = m_read.load(std::memory_order_acquire);
    return (write - read + kSize) % kSize;
}

bool ReceiveRing::fits(int count) const {
    return count >= 0 && count < kSize - held();
}

bool ReceiveRing::append(const std::uint8_t* bytes, int count) {
    const int write = m_write.load(std::memory_order_relaxed); // only we move it
    if (!fits(count))
        return false;
    const int first = std::min(count, kSize - write);
    std::copy_n(bytes, first, m_bytes.begin() + write);
    std::copy_n(bytes + first, count - first, m_bytes.begin());
    m_write.store((write + count) % kSize, std::memory_order_release);
    return true;
}

ReceiveRing::RoomWait ReceiveRing::waitForRoom(int count, int wakeFd, int stallMs) {
    using Clock = std::chrono::steady_clock;
    if (count >= kSize || !m_room.isValid())
        return fits(count) ? RoomWait::Room : RoomWait::Stalled;
    m_room.clear(); // a signal left from an earlier wait says nothing about now
    auto deadline = Clock::now() + std::chrono::milliseconds(stallMs);
    for (;;) {
        m_producerWaiting.exchange(true, std::memory_order_acq_rel);
        if (fits(count)) {
            m_producerWaiting.store(false, std::memory_order_release);
            return RoomWait::Room;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            m_producerWaiting.store(false, std::memory_order_release);
            return RoomWait::Stalled;
        }
        pollfd pfd[2] = {{m_room.fd(), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int r = ::poll(pfd, wakeFd >= 0 ? 2 : 1, int(left));
        if (r < 0 && errno != EINTR) {
            m_producerWaiting.store(false, std::memory_order_release);
            return RoomWait::Stalled;
        }
        if (r > 0 && (pfd[1].revents & POLLIN) != 0) {
            m_producerWaiting.store(false, std::memory_order_release);
            return RoomWait::Woken;
        }
        if (r > 0 && (pfd[0].revents & POLLIN) != 0) {
            m_room.clear();
            deadline = Clock::now() + std::chrono::milliseconds(stallMs); // the consumer lives
        }
    }
}

std::span<const std::uint8_t> ReceiveRing::readable(int limit) const {
    const int read = m_read.load(std::memory_order_relaxed);   // only we move it
    const int write = m_write.load(std::memory_order_acquire); // pairs with append's release
    const int contiguous = write >= read ? write - read : kSize - read;
    return {m_bytes.data() + read, std::size_t(std::clamp(limit, 0, contiguous))};
}

void ReceiveRing::consume(int count) {
    if (count <= 0)
        return;
    const int read = m_read.load(std::memory_order_relaxed);
    m_read.store((read + count) % kSize, std::memory_order_release);
    if (m_producerWaiting.exchange(false, std::memory_order_acq_rel))
        m_room.raise();
}

std::uint8_t ReceiveRing::take() {
    const std::uint8_t byte = readable(1)[0];
    consume(1);
    return byte;
}

} // namespace lumadesk
