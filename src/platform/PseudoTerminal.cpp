#include "platform/PseudoTerminal.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace lumadesk {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

PseudoTerminal::~PseudoTerminal() {
    close();
}

bool PseudoTerminal::open(bool keepDeviceOpen) {
    close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0)
        return false;
    char name[128] = {};
    termios tio{};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0 || ::tcgetattr(master, &tio) != 0) {
        ::close(master);
        return false;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    m_master = master;
    m_devicePath = QString::fromLocal8Bit(name);
    if (keepDeviceOpen)
        m_keeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    return true;
}

void PseudoTerminal::close() {
    if (m_keeper >= 0)
        ::close(m_keeper);
    if (m_master >= 0)
        ::close(m_master);
    m_keeper = m_master = -1;
}

bool PseudoTerminal::holdOutput(bool held) {
    return m_keeper >= 0 && ::tcflow(m_keeper, held ? TCOOFF : TCOON) == 0;
}

bool PseudoTerminal::writeAll(const QByteArray& bytes, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const int left = msLeft(deadline);
        if (left == 0)
            return false;
        pollfd pfd{m_master, POLLOUT, 0};
        const int r = ::poll(&pfd, 1, left);
        if (r < 0 && errno == EINTR)
            continue;
        // Once nobody holds the device end, poll says so at once and nothing will ever drain.
        if (r <= 0 || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return false;
    }
    return done == bytes.size();
}

QByteArray PseudoTerminal::readExactly(int count, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QByteArray out;
    char buffer[4096];
    while (m_master >= 0 && out.size() < count) {
        const ssize_t n =
            ::read(m_master, buffer,
                   sizeof buffer < size_t(count - out.size()) ? sizeof buffer
                                                              : size_t(count - out.size()));
        if (n > 0) {
            out.append(buffer, n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break; // EIO: nobody holds the device end
        const int left = msLeft(deadline);
        if (left == 0)
            break;
        pollfd pfd{m_master, POLLIN, 0};
        const int r = ::poll(&pfd, 1, left);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || !(pfd.revents & POLLIN))
            break;
    }
    return out;
}

QByteArray PseudoTerminal::readFor(int timeoutMs) {
    return readExactly(1 << 30, timeoutMs);
}

} // namespace lumadesk
