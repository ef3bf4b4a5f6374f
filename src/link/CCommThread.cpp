#include "link/CCommThread.h"

#include "platform/Messages.h"
#include "platform/PortNames.h"
#include "platform/WindowMessage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace lumadesk {

namespace {
const QString kCaption = QStringLiteral("CCommThread");
}

CCommThread::CCommThread(QObject* owner) : m_owner(owner) {}

CCommThread::~CCommThread() {
    ClosePort();
}

int CCommThread::WriteMultiplier(int baudRate) {
    return baudRate > 0 ? 19200 / baudRate : 0;
}

int CCommThread::OpenPort(const QString& portName, int baudRate, int dataBits, int stopBits,
                          int parity) {
    // A reader that ended by itself (unplugged device) leaves its thread and descriptor behind.
    ClosePort();
    m_portPath = DevicePathFromPortName(portName);
    m_openError = EINVAL;
    if (baudRate <= 0 || !m_wake.isValid())
        return 0;
    const bool opened =
        m_device.open(m_portPath, ComSettings{baudRate, dataBits, stopBits, parity});
    m_openError = m_device.openError();
    if (!opened)
        return 0;
    m_device.purge();
    // A message of the last reader may still be on its way; the new one tells its first bytes
    // anyway (a drain too many costs nothing, a missed one would strand them).
    m_ring.acknowledge();
    m_writeMultiplier = WriteMultiplier(baudRate);
    m_wake.clear();
    m_connected.store(1, std::memory_order_release);
    try {
        m_reader = std::thread(&CCommThread::ThreadWatchComm, this);
    } catch (const std::system_error& error) {
        m_openError = error.code().value();
        ClosePort();
        return 0;
    }
    return 1;
}

void CCommThread::joinReader() {
    if (m_reader.joinable()) {
        m_wake.raise();
        m_reader.join();
    }
    m_wake.clear();
}

void CCommThread::ClosePort() {
    m_connected.store(0, std::memory_order_release);
    joinReader();
    if (m_device.isOpen()) {
        m_device.purge();
        m_device.close();
    }
}

int CCommThread::WriteComm(int count, const std::uint8_t* bytes) {
    if (m_connected.load(std::memory_order_acquire) == 0 || count <= 0 || bytes == nullptr)
        return 0;
    // A partial write is not retried; POSIX keeps no error state to clear.
    return int(m_device.write(bytes, count, m_writeMultiplier * count));
}

int CCommThread::ReadComm(std::uint8_t* buffer) {
    return int(m_device.read(buffer, kReadChunk));
}

void CCommThread::tell(bool& untold) {
    if (m_ring.announce())
        PostMessage(m_owner, Msg::FrameBytesReceived);
    m_lastTold = std::chrono::steady_clock::now();
    untold = false;
}

bool CCommThread::storeChunk(const std::uint8_t* chunk, int count, bool& untold) {
    if (m_ring.append(chunk, count)) {
        untold = true;
        return true;
    }
    // The owner drains only what it has heard of; the kernel's queue and the line hold what
    // follows while we wait for room.
    if (untold)
        tell(untold);
    switch (m_ring.waitForRoom(count, m_wake.fd(), kStallLimitMs)) {
    case ReceiveRing::RoomWait::Room:
        untold = m_ring.append(chunk, count);
        return true;
    case ReceiveRing::RoomWait::Woken:
        return false;
    case ReceiveRing::RoomWait::Stalled:
        break;
    }
    m_boxes.post(QStringLiteral("Buffer full"), kCaption); // chunk dropped whole
    // Counted after the post: whoever sees the count sees the post's effect on the box flag.
    m_droppedChunks.fetch_add(1, std::memory_order_release);
    return true;
}

void CCommThread::ThreadWatchComm() {
    using Clock = std::chrono::steady_clock;
    constexpr auto spacing = std::chrono::milliseconds(kTellSpacingMs);
    std::uint8_t chunk[kReadChunk];
    bool closing = false;
    bool untold = false; // bytes stored that no message stands for yet
    // The line brings bytes faster than the owner is told: the reader sleeps out the spacing
    // and reads what came meanwhile, one wake-up per message instead of one per report.
    bool pacing = false;
    m_lastTold = Clock::now() - spacing;
    while (!closing && m_connected.load(std::memory_order_acquire) == 1) {
        int events = 0;
        if (untold || pacing) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(m_lastTold + spacing - Clock::now());
            if (m_wake.wait(int(std::max<std::int64_t>(0, left.count()))))
                break;
            events = SerialDevice::Readable;
        } else {
            events = m_device.wait(m_wake.fd());
            if (events & SerialDevice::Woken)
                break;
        }
        const bool slept = untold || pacing;
        bool gone = (events & (SerialDevice::HungUp | SerialDevice::Failed)) != 0;
        if (events & SerialDevice::Readable) {
            for (;;) {
                const int n = ReadComm(chunk);
                if (n < 0)
                    gone = true;
                if (n <= 0)
                    break;
                if (!storeChunk(chunk, n, untold)) {
                    closing = true;
                    break;
                }
                if (n < kReadChunk)
                    break; // the queue is empty
            }
        }
        // After a sleep, a spacing that brought nothing means the line is quiet again.
        if (slept)
            pacing = untold;
        if (!closing && untold && (gone || Clock::now() >= m_lastTold + spacing))
            tell(untold);
        if (gone)
            break;
    }
    if (untold && !closing)
        tell(untold);
    PostMessage(m_owner, Msg::FrameReaderEnded);
}

} // namespace lumadesk
