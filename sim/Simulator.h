#pragma once

#include "sim/SimConfig.h"
#include "sim/SimEngine.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace lumadesk {
class PseudoTerminal;
class WakeSignal;
} // namespace lumadesk

namespace lumadesk::sim {

class DeviceLink;

// The simulated dongle on a thread of its own: it holds the master end of a pseudo-terminal,
// feeds what the console writes to a SimEngine and writes the engine's reports back when they
// are due. Start and stop it from one thread; the read-only accessors may be called from any.
class Simulator {
public:
    explicit Simulator(SimConfig config = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal (and the link) and starts the thread. False with errorString()
    // when that fails or it already runs.
    bool start();
    // Stops and joins the thread, closes the pseudo-terminal and removes the link.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    QString errorString() const;
    const SimConfig& config() const { return m_config; }

    // Pull the dongle out or plug it in again, as --cut-after and --replug-after do on their
    // timers. Either returns at once; the simulator's thread does it next.
    void unplug();
    void replug();

    // The device end the console opens; empty while the dongle is pulled.
    QString devicePath() const;
    // Snapshots of the heads and of the selected group (-1 for none).
    QList<HeadState> heads() const;
    int selectedGroup() const;

private:
    void run();
    Milliseconds elapsed() const;
    void pull(Milliseconds now, const QString& why);
    void plugIn(Milliseconds now);
    void receiveFromConsole(Milliseconds now);
    void sendDue(Milliseconds now);
    void flushOutput();
    int pollTimeout(Milliseconds now) const;
    void log(Milliseconds now, const QString& text) const;

    SimConfig m_config;
    std::chrono::steady_clock::time_point m_started;

    // The engine, the device path and the error are shared with the accessors.
    mutable std::mutex m_mutex;
    SimEngine m_engine;
    QString m_devicePath;
    QString m_error;

    // Owned by the thread while it runs, by start()/stop() otherwise.
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<DeviceLink> m_link;
    QByteArray m_output; // written to the master as it takes it
    std::optional<Milliseconds> m_pullAt;
    std::optional<Milliseconds> m_plugAt;

    std::unique_ptr<WakeSignal> m_wake;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_unplugAsked{false};
    std::atomic<bool> m_replugAsked{false};
    std::thread m_thread;
};

} // namespace lumadesk::sim
