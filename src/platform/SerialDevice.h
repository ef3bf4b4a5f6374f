#pragma once

#include "platform/ComSettings.h"

#include <QString>
#include <QtGlobal>
#include <functional>

namespace lumadesk {

// One serial device on POSIX termios: exclusive, raw, non-blocking. Not thread-safe by itself;
// CCommThread decides which thread calls what.
class SerialDevice {
public:
    enum WaitResult : int {
        Readable = 1,
        HungUp = 2, // the device is gone: an unplugged adapter, a closed pseudo-terminal
        Woken = 4,  // the wake descriptor became readable
        Failed = 8,
    };

    SerialDevice() = default;
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the device exclusively and applies raw mode with the settings' line (their port
    // name is not used: the path is the device). An unsupported
    // baud rate, data bit count, stop bit or parity code fails the open.
    bool open(const QString& path, const ComSettings& settings);
    // The errno that made the last open fail (PortFailure.h says it in words): EBUSY when
    // another opener holds the device or its lock, EINVAL for settings it cannot take; 0 after
    // an open that worked.
    int openError() const { return m_openError; }
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();

    // Discards whatever waits in the driver's input and output queues.
    void purge();

    // Writes all bytes unless the time-out (milliseconds, 0 for none) runs out or the device
    // fails; returns the count written.
    qint64 write(const void* data, qint64 size, int timeoutMs);
    // Writes all bytes, waiting as long as the device takes nothing, unless it fails or hangs up
    // or wakeFd becomes readable; returns the count written. heldBack is called once the device
    // has taken nothing for kHeldBackMs (a busy terminal refuses a write now and then without
    // being full).
    static constexpr int kHeldBackMs = 20;
    qint64 writeUntilWoken(const void* data, qint64 size, int wakeFd,
                           const std::function<void()>& heldBack = {});

    // Bytes the driver holds for reading.
    int queued() const;

    // Reads what is queued without blocking: the count read, 0 when nothing is queued, -1 when
    // the device is gone or failed.
    qint64 read(void* data, qint64 maxSize);

    // Blocks until the device is readable or hung up, or wakeFd becomes readable; a mask of
    // WaitResult bits.
    int wait(int wakeFd);

    static bool isSupported(const ComSettings& settings);

private:
    int m_fd = -1;
    int m_openError = 0;
};

// A wake-up signal for a thread blocked in SerialDevice::wait (an eventfd).
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void raise();
    void clear();
    // Blocks until raised (true) or the time-out in milliseconds runs out (false).
    bool wait(int timeoutMs) const;

private:
    int m_fd = -1;
};

} // namespace lumadesk
