#pragma once

#include <QString>
#include <QStringList>
#include <mutex>
#include <utility>

namespace lumadesk {

// The frames the console wrote, as the simulated dongle read them: "FF 07 17 ...  cell ...".
// Filled from the simulator's log on its thread; the test reads them on its own.
class SimulatorWire {
public:
    void note(const QString& line) {
        const qsizetype at = line.indexOf(QLatin1String(" in   "));
        if (at < 0)
            return;
        const std::lock_guard lock(m_mutex);
        m_commands << line.mid(at + 6);
    }
    // The log line follows the head's change, so a test waits for it.
    QStringList commands() {
        const std::lock_guard lock(m_mutex);
        return m_commands;
    }
    int commandCount() { return int(commands().size()); }
    QStringList takeCommands() {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_commands, {});
    }
    // A command in the simulator's words alone: "flash level CH-01: P1 51 P2 50".
    static QString wordsOf(const QString& command) {
        return command.mid(command.indexOf(QLatin1String("  ")) + 2);
    }

private:
    std::mutex m_mutex;
    QStringList m_commands;
};

} // namespace lumadesk
