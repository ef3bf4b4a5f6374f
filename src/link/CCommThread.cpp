#include "link/CCommThread.h"

#include "link/FrameTypes.h"
#include "platform/Messages.h"
#include "platform/PortNames.h"
#include "platform/WindowMessage.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>

namespace lumadesk {

namespace {
const QString kCaption = QStringLiteral("CCommThread");
}

CCommThread::CCommThread(QObject* owner) : m_owner(owner) {}

CCommThread::~CCommThread() {
    ClosePort();
}

void CCommThread::setQuietDrain(std::function<void()> drain) {
    m_quietDrain = std::move(drain);
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
    if (baudRate <= 0 || !m_wake.isValid() || !m_queued.isValid())
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
    m_wake.clear();
    m_queued.clear();
    m_handedBack.clear();
    m_watcher.store(ReaderWatches, std::memory_order_release);
    if (m_quietDrain && m_handedBack.isValid()) {
        m_notifier = std::make_unique<QSocketNotifier>(m_device.fd(), QSocketNotifier::Read);
        m_notifier->setEnabled(false);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { ownerReadable(); });
    }
    m_connected.store(1, std::memory_order_release);
    try {
        m_reader = std::thread(&CCommThread::ThreadWatchComm, this);
        m_writer = std::thread(&CCommThread::ThreadWriteComm, this);
    } catch (const std::system_error& error) {
        m_openError = error.code().value();
        ClosePort();
        return 0;
    }
    return 1;
}

void CCommThread::joinThreads() {
    if (m_reader.joinable() || m_writer.joinable())
        m_wake.raise();
    if (m_reader.joinable())
        m_reader.join();
    if (m_writer.joinable())
        m_writer.join();
    m_wake.clear();
}

void CCommThread::ClosePort() {
    if (m_notifier)
        m_notifier->setEnabled(false);
    m_connected.store(0, std::memory_order_release);
    joinThreads();
    if (m_notifier) {
        // A drain of the owner's own read may have run the loop that closes us.
        if (m_inOwnerRead)
            m_notifier.release()->deleteLater();
        else
            m_notifier.reset();
    }
    m_watcher.store(ReaderWatches, std::memory_order_release);
    {
        std::lock_guard lock(m_writeLock);
        m_queue.clear();
    }
    if (m_device.isOpen()) {
        m_device.purge();
        m_device.close();
    }
}

int CCommThread::WriteComm(int count, const std::uint8_t* bytes) {
    if (m_connected.load(std::memory_order_acquire) == 0 || count <= 0 || bytes == nullptr)
        return 0;
    {
        std::lock_guard lock(m_writeLock);
        if (m_queue.put(bytes, count) == WriteQueue::Put::Full)
            return -1;
    }
    m_queued.raise();
    return count;
}

bool CCommThread::TakesCommands() const {
    if (m_connected.load(std::memory_order_acquire) == 0)
        return true;
    std::lock_guard lock(m_writeLock);
    return m_queue.hasRoomFor(kLargestChange, kStudioLevelsLength);
}

bool CCommThread::LineIsBacklogged() const {
    std::lock_guard lock(m_writeLock);
    return m_queue.isBacklogged();
}

std::vector<std::uint8_t> CCommThread::nextFrame(bool backlogged) {
    for (;;) {
        {
            std::lock_guard lock(m_writeLock);
            if (m_queue.frames() > 0) {
                m_queue.setBacklogged(backlogged);
                return m_queue.take();
            }
        }
        // Cleared before the queue is looked at again: a frame queued after this raises it anew.
        m_queued.clear();
        {
            std::lock_guard lock(m_writeLock);
            m_queue.setBacklogged(false); // the line took everything
            if (m_queue.frames() > 0)
                return m_queue.take();
        }
        pollfd pfd[2] = {{m_queued.fd(), POLLIN, 0}, {m_wake.fd(), POLLIN, 0}};
        const int r = ::poll(pfd, 2, -1);
        if ((r < 0 && errno != EINTR) || (pfd[1].revents & POLLIN) != 0)
            return {};
    }
}

void CCommThread::ThreadWriteComm() {
    bool waited = false; // the line held back the last frame
    const auto heldBack = [this, &waited] {
        waited = true;
        std::lock_guard lock(m_writeLock);
        m_queue.setBacklogged(true);
    };
    while (m_connected.load(std::memory_order_acquire) == 1) {
        const std::vector<std::uint8_t> frame = nextFrame(waited);
        if (frame.empty())
            break;
        waited = false;
        // Waits as long as the device takes nothing: the queue fills and changes are refused
        // meanwhile. A frame a failing device did not take is lost, as on a cut line.
        m_device.writeUntilWoken(frame.data(), qint64(frame.size()), m_wake.fd(), heldBack);
    }
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

bool CCommThread::letOwnerWatch() {
    m_handedBack.clear();
    m_watcher.store(OwnerWatches, std::memory_order_release);
    QSocketNotifier* notifier = m_notifier.get();
    QMetaObject::invokeMethod(
        notifier,
        [this, notifier] {
            if (m_watcher.load(std::memory_order_acquire) == OwnerWatches &&
                m_connected.load(std::memory_order_acquire) == 1)
                notifier->setEnabled(true);
        },
        Qt::QueuedConnection);
    pollfd pfd[2] = {{m_handedBack.fd(), POLLIN, 0}, {m_wake.fd(), POLLIN, 0}};
    for (;;) {
        const int r = ::poll(pfd, 2, -1);
        if ((r < 0 && errno != EINTR) || (pfd[1].revents & POLLIN) != 0)
            return false;
        if (r > 0 && m_watcher.load(std::memory_order_acquire) == ReaderWatches)
            return true;
    }
}

void CCommThread::handBackToReader() {
    m_notifier->setEnabled(false);
    m_watcher.store(ReaderWatches, std::memory_order_release);
    m_handedBack.raise();
}

void CCommThread::ownerReadable() {
    if (m_watcher.load(std::memory_order_acquire) != OwnerWatches) {
        m_notifier->setEnabled(false);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool burst = now < m_ownerLastRead + std::chrono::milliseconds(kQuietLineMs);
    m_ownerLastRead = now;
    // Only what fits: the reader thread keeps the waiting for room and its limit.
    const int room = std::min(kReadChunk, ReceiveRing::kCapacity - m_ring.held());
    std::uint8_t chunk[kReadChunk];
    int got = 0;
    if (room > 0) {
        got = int(m_device.read(chunk, room));
        if (got > 0)
            m_ring.append(chunk, got);
    }
    if (burst || got < 0 || room == 0 || got == room)
        handBackToReader();
    if (got > 0) {
        m_inOwnerRead = true;
        m_quietDrain();
        m_inOwnerRead = false;
    }
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
    // The owner watches the line whenever it is quiet.
    const bool ownerMayWatch = m_notifier != nullptr;
    Clock::time_point lastBytes;
    m_lastTold = Clock::now() - spacing;
    while (!closing && m_connected.load(std::memory_order_acquire) == 1) {
        int events = 0;
        if (untold || pacing) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(m_lastTold + spacing - Clock::now());
            if (m_wake.wait(int(std::max<std::int64_t>(0, left.count()))))
                break;
            events = SerialDevice::Readable;
        } else if (ownerMayWatch) {
            if (!letOwnerWatch())
                break;
            // The owner saw a burst begin (it read bytes just now), or the line fail: read at
            // once and pace.
            pacing = true;
            lastBytes = Clock::now();
            m_lastTold = lastBytes - spacing;
            continue;
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
        // After a sleep, a spacing that brought nothing means the line is quiet again; the
        // owner takes it only after a longer silence.
        if (untold)
            lastBytes = Clock::now();
        if (slept)
            pacing = untold || (ownerMayWatch &&
                                Clock::now() < lastBytes + std::chrono::milliseconds(kQuietLineMs));
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
