#pragma once

#include "link/ReceiveRing.h"
#include "platform/MessageBox.h"
#include "platform/SerialDevice.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

class QObject;

namespace lumadesk {

// The console's only connection to the radio dongle. It opens and configures the port, writes
// command frames, and runs one reader thread that moves received bytes into the ring and posts
// Msg::FrameBytesReceived when there are bytes the owner has not been told of, and
// Msg::FrameReaderEnded once when it leaves. It knows nothing of frames. Everything but the
// reader thread runs on the owner's (GUI) thread.
//
// One message stands for all bytes until the owner looks at the ring (ReceiveRing::announce),
// and messages go at most once per kTellSpacingMs: at a full line, reports reach the owner a few
// at a time instead of one wake-up each; a quiet line's first bytes are told at once.
//
// A chunk that does not fit into the ring waits for the owner's drain; only when no drain comes
// for kStallLimitMs is it dropped and "Buffer full" shown (one box at a time).
class CCommThread {
public:
    static constexpr int kReadChunk = 2048;
    static constexpr int kStallLimitMs = 2000;
    static constexpr int kTellSpacingMs = 4;

    explicit CCommThread(QObject* owner);
    ~CCommThread();
    CCommThread(const CCommThread&) = delete;
    CCommThread& operator=(const CCommThread&) = delete;

    // 1 when the port is open, configured and the reader runs; 0 otherwise (nothing shown).
    // stopBits and parity are the codes of the COM settings record.
    int OpenPort(const QString& portName, int baudRate, int dataBits, int stopBits, int parity);

    // Stops the reader (it posts its end message) and closes the port; the reader is joined
    // before the descriptor closes.
    void ClosePort();

    // Bytes written; 0 when not connected or the write failed.
    int WriteComm(int count, const std::uint8_t* bytes);

    // Reader thread only: reads up to kReadChunk queued bytes without blocking; 0 when nothing
    // is queued, -1 when the device is gone.
    int ReadComm(std::uint8_t* buffer);

    // Chunks dropped because the owner did not drain for kStallLimitMs, since construction.
    int DroppedChunks() const { return m_droppedChunks.load(std::memory_order_acquire); }

    // The owner's side of the ring: the count held, then bytes one at a time. Reading the count
    // is looking: bytes that come after it are told again.
    int HeldCount() {
        m_ring.acknowledge();
        return m_ring.held();
    }
    std::uint8_t TakeByte() { return m_ring.take(); }
    ReceiveRing& Ring() { return m_ring; }

    // Why the last OpenPort failed, as an errno (platform/PortFailure.h has the words); 0 when
    // it worked.
    int OpenError() const { return m_openError; }

    bool IsConnected() const { return m_connected.load(std::memory_order_acquire) != 0; }
    QString PortPath() const { return m_portPath; }

    // Milliseconds per byte of the write time-out: 19200 / baud, 0 meaning none.
    static int WriteMultiplier(int baudRate);

private:
    void ThreadWatchComm();
    // Reader thread: false when ClosePort woke it while it waited for room.
    bool storeChunk(const std::uint8_t* chunk, int count, bool& untold);
    // Reader thread: posts Msg::FrameBytesReceived unless the owner has not looked since the
    // last one.
    void tell(bool& untold);
    void joinReader();

    QObject* m_owner;
    QString m_portPath;
    std::atomic<int> m_connected{0};
    std::atomic<int> m_droppedChunks{0};
    SerialDevice m_device;
    WakeSignal m_wake;
    std::thread m_reader;
    std::chrono::steady_clock::time_point m_lastTold; // reader thread only
    ReceiveRing m_ring;
    int m_writeMultiplier = 0;
    int m_openError = 0;
    MessageBoxPoster m_boxes; // the reader thread never shows a box itself
};

} // namespace lumadesk
