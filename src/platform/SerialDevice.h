#pragma once

#include <QString>
#include <QtGlobal>

// Line settings as the COM settings record keeps them: stop bits and parity use the codes of
// the original platform (stop bits 0 = 1, 1 = 1.5, 2 = 2; parity 0 none, 1 odd, 2 even,
// 3 mark, 4 space).
struct SerialSettings {
    int baudRate = 9600;
    int dataBits = 8;
    int stopBits = 0;
    int parity = 0;
};

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

    // Opens the device exclusively and applies raw mode with the given framing. An unsupported
    // baud rate, data bit count, stop bit or parity code fails the open.
    bool open(const QString& path, const SerialSettings& settings);
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();

    // Discards whatever waits in the driver's input and output queues.
    void purge();

    // Writes all bytes unless the time-out (milliseconds, 0 for none) runs out or the device
    // fails; returns the count written.
    qint64 write(const void* data, qint64 size, int timeoutMs);

    // Bytes the driver holds for reading.
    int queued() const;

    // Reads what is queued without blocking: the count read, 0 when nothing is queued, -1 when
    // the device is gone or failed.
    qint64 read(void* data, qint64 maxSize);

    // Blocks until the device is readable or hung up, or wakeFd becomes readable; a mask of
    // WaitResult bits.
    int wait(int wakeFd);

    static bool isSupported(const SerialSettings& settings);

private:
    int m_fd = -1;
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

private:
    int m_fd = -1;
};
