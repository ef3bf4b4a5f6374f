#pragma once

#include <QByteArray>
#include <QString>

namespace lumadesk {

// A pseudo-terminal whose master end we hold: the stand-in for a radio dongle. The device end
// (devicePath) is what the console opens. Both ends start in raw mode.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // keepDeviceOpen holds a descriptor of the device end as well, so that the master does not
    // see a hang-up between two opens of the console.
    bool open(bool keepDeviceOpen = false);
    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    // Whether open(true) really got its descriptor of the device end.
    bool holdsDeviceEnd() const { return m_keeper >= 0; }
    QString devicePath() const { return m_devicePath; }

    // Closing the master looks like an unplugged dongle to whoever holds the device end.
    void close();

    // Stops what the device end sends, or lets it go again, as a line that takes nothing would:
    // a write there waits. Needs open(true).
    bool holdOutput(bool held);

    // Blocking helpers for tests and tools, with a time-out in milliseconds.
    bool writeAll(const QByteArray& bytes, int timeoutMs = 2000);
    QByteArray readFor(int timeoutMs);                // everything that arrives within the time
    QByteArray readExactly(int count, int timeoutMs); // stops at count bytes or the time-out

private:
    int m_master = -1;
    int m_keeper = -1;
    QString m_devicePath;
};

} // namespace lumadesk
