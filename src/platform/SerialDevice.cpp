#include "platform/SerialDevice.h"

#include "platform/SerialBaud.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace lumadesk {

namespace {

// "No write time-out" must still not wedge the GUI thread on a device that never drains.
constexpr int kUnboundedWriteCapMs = 2000;

bool frameFlags(const ComSettings& s, tcflag_t& cflag) {
    cflag = CREAD | CLOCAL;
    switch (s.dataBits) {
    case 5:
        cflag |= CS5;
        break;
    case 6:
        cflag |= CS6;
        break;
    case 7:
        cflag |= CS7;
        break;
    case 8:
        cflag |= CS8;
        break;
    default:
        return false;
    }
    switch (s.stopBits) {
    case 0:
        break;
    case 1: // 1.5 stop bits exist only with five data bits, where CSTOPB means 1.5
        if (s.dataBits != 5)
            return false;
        cflag |= CSTOPB;
        break;
    case 2:
        if (s.dataBits == 5)
            return false;
        cflag |= CSTOPB;
        break;
    default:
        return false;
    }
    switch (s.parity) {
    case 0:
        break;
    case 1:
        cflag |= PARENB | PARODD;
        break;
    case 2:
        cflag |= PARENB;
        break;
    case 3:
        cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        cflag |= PARENB | CMSPAR;
        break;
    default:
        return false;
    }
    return true;
}

} // namespace

SerialDevice::~SerialDevice() {
    close();
}

bool SerialDevice::isSupported(const ComSettings& settings) {
    tcflag_t cflag = 0;
    return settings.baudRate > 0 && frameFlags(settings, cflag);
}

bool SerialDevice::open(const QString& path, const ComSettings& settings) {
    close();
    tcflag_t cflag = 0;
    if (path.isEmpty()) {
        m_openError = ENOENT;
        return false;
    }
    if (settings.baudRate <= 0 || !frameFlags(settings, cflag)) {
        m_openError = EINVAL;
        return false;
    }

    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_openError = errno;
        return false;
    }

    termios tio{};
    bool ok = true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // The lock is how another opener says the device is taken, root or not.
        m_openError = errno == EWOULDBLOCK ? EBUSY : errno;
        ok = false;
    } else if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &tio) != 0) {
        m_openError = errno;
        ok = false;
    }
    if (ok) {
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
        tio.c_cflag |= cflag;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        if (settings.parity != 0)
            tio.c_iflag |= INPCK;
        // VMIN 1: with O_NONBLOCK an empty queue reads as EAGAIN, so 0 can only mean the end.
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        errno = 0;
        ok = ::tcsetattr(fd, TCSANOW, &tio) == 0 && SetSerialBaudRate(fd, settings.baudRate);
        if (!ok)
            m_openError = errno != 0 ? errno : EINVAL;
    }
    if (!ok) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_openError = 0;
    return true;
}

void SerialDevice::close() {
    if (m_fd < 0)
        return;
    // Exclusive mode outlives our descriptor when another one keeps the terminal open.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

void SerialDevice::purge() {
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIOFLUSH);
}

namespace {

// Writes until everything is out, the device fails, or wait() (called whenever the device takes
// nothing) says to stop: the loop both writers share.
template <typename Wait> qint64 writeLoop(int fd, const void* data, qint64 size, Wait wait) {
    const auto* bytes = static_cast<const char*>(data);
    qint64 written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size_t(size - written));
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if ((n < 0 && errno != EAGAIN) || !wait())
            break;
    }
    return written;
}

} // namespace

qint64 SerialDevice::write(const void* data, qint64 size, int timeoutMs) {
    if (m_fd < 0 || size <= 0)
        return 0;
    using Clock = std::chrono::steady_clock;
    const int budget = timeoutMs > 0 ? timeoutMs : kUnboundedWriteCapMs;
    const auto deadline = Clock::now() + std::chrono::milliseconds(budget);
    return writeLoop(m_fd, data, size, [&] {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return false;
            pollfd pfd{m_fd, POLLOUT, 0};
            const int r = ::poll(&pfd, 1, int(left));
            if (r < 0 && errno == EINTR)
                continue;
            return r > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
        }
    });
}

qint64 SerialDevice::writeUntilWoken(const void* data, qint64 size, int wakeFd,
                                     const std::function<void()>& heldBack) {
    if (m_fd < 0 || size <= 0)
        return 0;
    bool told = !heldBack;
    return writeLoop(m_fd, data, size, [&] {
        for (;;) {
            pollfd pfd[2] = {{m_fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
            const int r = ::poll(pfd, wakeFd >= 0 ? 2 : 1, told ? -1 : kHeldBackMs);
            if (r < 0 && errno == EINTR)
                continue;
            if (r == 0) {
                told = true;
                heldBack();
                return true;
            }
            return r > 0 && (pfd[0].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0 &&
                   (pfd[1].revents & POLLIN) == 0;
        }
    });
}

int SerialDevice::queued() const {
    int count = 0;
    if (m_fd < 0 || ::ioctl(m_fd, FIONREAD, &count) != 0)
        return 0;
    return count;
}

qint64 SerialDevice::read(void* data, qint64 maxSize) {
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::read(m_fd, data, size_t(maxSize));
        if (n > 0)
            return n;
        if (n == 0)
            return -1; // end of file: the other end of a pseudo-terminal closed
        if (errno == EINTR)
            continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

int SerialDevice::wait(int wakeFd) {
    if (m_fd < 0)
        return Failed;
    pollfd pfd[2] = {{m_fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        const int r = ::poll(pfd, count, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return Failed;
        break;
    }
    int result = 0;
    if (pfd[0].revents & POLLIN)
        result |= Readable;
    if (pfd[0].revents & POLLHUP)
        result |= HungUp;
    if (pfd[0].revents & (POLLERR | POLLNVAL))
        result |= Failed;
    if (count == 2 && (pfd[1].revents & POLLIN))
        result |= Woken;
    return result;
}

WakeSignal::WakeSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeSignal::raise() {
    if (m_fd < 0)
        return;
    const eventfd_t one = 1;
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool WakeSignal::wait(int timeoutMs) const {
    if (m_fd < 0)
        return false;
    pollfd pfd{m_fd, POLLIN, 0};
    int r = 0;
    while ((r = ::poll(&pfd, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r > 0 && (pfd.revents & POLLIN) != 0;
}

void WakeSignal::clear() {
    eventfd_t value = 0;
    if (m_fd >= 0)
        ::eventfd_read(m_fd, &value);
}

} // namespace lumadesk
