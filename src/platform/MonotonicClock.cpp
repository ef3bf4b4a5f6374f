#include "platform/MonotonicClock.h"

#include <QElapsedTimer>

namespace lumadesk {

qint64 MonotonicMs() {
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

} // namespace lumadesk
