#pragma once

#include "link/ReceiveRing.h"
#include "link/WriteQueue.h"
#include "platform/MessageBox.h"
#include "platform/SerialDevice.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;

class QObject;

namespace lumadesk {

// The console's only connection to the radio dongle. It opens and configures the port, queues
// command frames for a writer thread, and runs one reader thread that moves received bytes into
// the ring and posts Msg::FrameBytesReceived when there are bytes the owner has not been told
// of, and Msg::FrameReaderEnded once when it leaves. Everything but the two threads runs on the
// owner's (GUI) thread, which never waits for the device.
//
// The write queue (WriteQueue: bounded, a newer level replacing a queued one) is the one place
// where the owner and the writer meet under a mutex; neither does I/O while it holds it.
//
// One message stands for all bytes until the owner looks at the ring (ReceiveRing::announce),
// and messages go at most once per kTellSpacingMs: at a full line, reports reach the owner a few
// at a time instead of one wake-up each; a quiet line's first bytes are told at once.
//
// A chunk that does not fit into the ring waits for the owner's drain; only when no drain comes
// for kStallLimitMs is it dropped and "Buffer full" shown (one box at a time).
//
// With a quiet drain (setQuietDrain), the owner's thread watches a quiet line itself and drains
// what it reads at once: a lone report costs one wake-up of the owner instead of a wake-up of
// the reader and a message. A second read within kQuietLineMs, a full ring or a failing line
// hands the line back to the reader thread, which paces the burst as above and hands the line
// to the owner again once kQuietLineMs pass without bytes: at 20 reports a second the owner
// keeps the line, at the line's full rate the reader does. Who watches is one acquire/release
// flag; the ring's producer is whoever watches.
class CCommThread {
public:
    static constexpr int kReadChunk = 2048;
    static constexpr int kStallLimitMs = 2000;
    static constexpr int kTellSpacingMs = 4;
    // The line is quiet when this long passes without bytes: the owner's thread watches it then.
    // Longer than a spacing, so a steady stream does not pass the line back and forth.
    static constexpr int kQuietLineMs = 40;
    // The most frames one operator change writes: a studio select and a set-up for every head.
    static constexpr int kLargestChange = 1 + 10;

    explicit CCommThread(QObject* owner);
    ~CCommThread();
    CCommThread(const CCommThread&) = delete;
    CCommThread& operator=(const CCommThread&) = delete;

    // Called on the owner's thread with the bytes the owner read itself already in the ring.
    // Set before OpenPort; empty (the default) leaves every read to the reader thread.
    void setQuietDrain(std::function<void()> drain);

    // Whether the owner's thread watches the line now (it is quiet); for the tests.
    bool OwnerWatchesLine() const {
        return m_watcher.load(std::memory_order_acquire) == OwnerWatches;
    }

    // 1 when the port is open, configured and the reader runs; 0 otherwise (nothing shown).
    // stopBits and parity are the codes of the COM settings record.
    int OpenPort(const QString& portName, int baudRate, int dataBits, int stopBits, int parity);

    // Stops the reader (it posts its end message) and the writer and closes the port; both are
    // joined before the descriptor closes. Frames still queued are dropped.
    void ClosePort();

    // Queues the frame for the writer thread and returns at once: its byte count when accepted
    // (or a newer level took the place of a queued one), 0 when not connected (the frame is
    // dropped), -1 when the queue is full (refused).
    int WriteComm(int count, const std::uint8_t* bytes);

    // Whether the queue has room for a whole operator change (kLargestChange frames), so that
    // none goes half out; true while not connected, where frames are dropped rather than queued.
    bool TakesCommands() const;
    // Whether the writer waits for a line that holds back; only then does a newer level take
    // the place of a queued one.
    bool LineIsBacklogged() const;

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

    // The usual write time-out per byte at this rate in milliseconds: 19200 / baud, 0 meaning
    // none. The writer sets none: it waits as long as the line needs.
    static int WriteMultiplier(int baudRate);

private:
    void ThreadWatchComm();
    void ThreadWriteComm();
    // Writer thread: the oldest queued frame, waiting for one; empty once ClosePort woke it.
    // The queue stays backlogged only while the line held back the last frame.
    std::vector<std::uint8_t> nextFrame(bool backlogged);
    // Reader thread: false when ClosePort woke it while it waited for room.
    bool storeChunk(const std::uint8_t* chunk, int count, bool& untold);
    // Reader thread: posts Msg::FrameBytesReceived unless the owner has not looked since the
    // last one.
    void tell(bool& untold);
    void joinThreads();
    // Reader thread: gives the quiet line to the owner and waits until it is handed back; false
    // when ClosePort woke it.
    bool letOwnerWatch();
    // Owner thread: the line is readable while the owner watches it.
    void ownerReadable();
    void handBackToReader();

    enum Watcher : int { ReaderWatches = 0, OwnerWatches = 1 };

    QObject* m_owner;
    QString m_portPath;
    std::atomic<int> m_connected{0};
    std::atomic<int> m_droppedChunks{0};
    SerialDevice m_device;
    WakeSignal m_wake;
    std::thread m_reader;
    std::thread m_writer;
    mutable std::mutex m_writeLock;
    WriteQueue m_queue;                               // guarded by m_writeLock
    WakeSignal m_queued;                              // raised after a frame is queued
    std::chrono::steady_clock::time_point m_lastTold; // reader thread only
    ReceiveRing m_ring;
    int m_openError = 0;
    MessageBoxPoster m_boxes; // the reader thread never shows a box itself
    std::function<void()> m_quietDrain;
    std::atomic<int> m_watcher{ReaderWatches};
    WakeSignal m_handedBack;                     // raised when the owner gives the line back
    std::unique_ptr<QSocketNotifier> m_notifier; // owner thread; only while the port is open
    std::chrono::steady_clock::time_point m_ownerLastRead; // owner thread only
    bool m_inOwnerRead = false;                            // owner thread only
};

} // namespace lumadesk
