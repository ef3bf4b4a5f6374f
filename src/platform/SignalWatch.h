#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace lumadesk {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the event loop's thread, so that the program
// can end its wait or its loop and shut down in order (the port closed, the reader joined)
// instead of dying with the port held. Create it on the thread that runs the loop, once the
// application object exists. One watch at a time: while one is active, another stays inactive
// and the signals keep going to the first. The signals' earlier handling comes back when the
// active watch is destroyed.
class SignalWatch : public QObject {
public:
    explicit SignalWatch(std::function<void()> onSignal);
    ~SignalWatch() override;
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Whether this watch holds the handlers.
    bool isActive() const { return m_notifier != nullptr; }
    // Whether a signal has arrived since this watch was created.
    bool signalled() const { return m_signalled; }

private:
    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_signalled = false;
};

} // namespace lumadesk
