#pragma once

#include "platform/SerialDevice.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <algorithm>
#include <poll.h>

namespace lumadesk {

// The console's side of the wire for simulator tests: reads from an open device end until
// `count` bytes came or the time ran out.
inline QByteArray readExactly(SerialDevice& device, int count, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    QByteArray out;
    char buffer[512];
    while (out.size() < count) {
        const qint64 n =
            device.read(buffer, std::min<qint64>(sizeof buffer, qint64(count - out.size())));
        if (n < 0)
            break;
        if (n > 0) {
            out.append(buffer, n);
            continue;
        }
        if (deadline.hasExpired())
            break;
        pollfd pfd{device.fd(), POLLIN, 0};
        ::poll(&pfd, 1, int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return out;
}

// Whether the device end hangs up (the dongle was pulled) within the time.
inline bool hangsUp(SerialDevice& device, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    char buffer[512];
    while (!deadline.hasExpired()) {
        if (device.read(buffer, sizeof buffer) < 0)
            return true;
        pollfd pfd{device.fd(), POLLIN, 0};
        ::poll(&pfd, 1, int(std::max<qint64>(1, deadline.remainingTime())));
        if (pfd.revents & (POLLHUP | POLLERR))
            return true;
    }
    return false;
}

// Frames of a fixed size, sorted: reports of several heads come in any order.
inline QList<QByteArray> sortedFrames(const QByteArray& bytes, int size) {
    QList<QByteArray> frames;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        frames.append(bytes.mid(at, size));
    std::sort(frames.begin(), frames.end());
    return frames;
}

} // namespace lumadesk
