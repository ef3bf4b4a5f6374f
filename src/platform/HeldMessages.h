#pragma once

#include <QtGlobal>
#include <deque>

class QObject;

namespace lumadesk {

// Posted messages that their own thread delivers at a point it chooses instead of through the
// event queue. A posted message costs a wake-up of the event loop and a turn of it each; news
// gathered while a burst of reports is fed are delivered together once it is through. Each is
// delivered as a posted message (WindowMessage::posted, the record serial with it), so the
// receiver checks it as it checks any posted message. One thread only.
class HeldMessages {
public:
    void post(QObject* target, int number, qintptr wParam, qintptr lParam,
              quint64 recordSerial = 0);

    // Delivers every held message in order, those posted while delivering included. A receiver
    // that delivers again (a nested event loop) takes the next ones; none is delivered twice.
    void deliver();

    bool empty() const { return m_held.empty(); }

private:
    struct Held {
        QObject* target;
        int number;
        qintptr wParam;
        qintptr lParam;
        quint64 recordSerial;
    };
    std::deque<Held> m_held;
};

} // namespace lumadesk
