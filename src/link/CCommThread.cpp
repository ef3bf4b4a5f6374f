#include "link/CCommThread.h"

#include "platform/Messages.h"
#include "platform/PortNames.h"
#include "platform/WindowMessage.h"

#include <cerrno>

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

bool CCommThread::storeChunk(const std::uint8_t* chunk, int count, bool& unannounced) {
    if (m_ring.append(chunk, count)) {
        unannounced = true;
        return true;
    }
    // The owner drains only what it has heard of; the kernel's queue and the line hold what
    // follows while we wait for room.
    if (unannounced) {
        PostMessage(m_owner, Msg::FrameBytesReceived);
        unannounced = false;
    }
    switch (m_ring.waitForRoom(count, m_wake.fd(), kStallLimitMs)) {
    case ReceiveRing::RoomWait::Room:
        unannounced = m_ring.append(chunk, count);
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
    std::uint8_t chunk[kReadChunk];
    bool closing = false;
    while (!closing && m_connected.load(std::memory_order_acquire) == 1) {
        const int events = m_device.wait(m_wake.fd());
        if (events & SerialDevice::Woken)
            break;
        bool gone = (events & (SerialDevice::HungUp | SerialDevice::Failed)) != 0;
        if (events & SerialDevice::Readable) {
            bool unannounced = false;
            for (;;) {
                const int n = ReadComm(chunk);
                if (n < 0)
                    gone = true;
                if (n <= 0)
                    break;
                if (!storeChunk(chunk, n, unannounced)) {
                    closing = true;
                    break;
                }
            }
            if (!closing)
                PostMessage(m_owner, Msg::FrameBytesReceived);
        }
        if (gone)
            break;
    }
    PostMessage(m_owner, Msg::FrameReaderEnded);
}

} // namespace lumadesk
