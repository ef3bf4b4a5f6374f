#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a normal quit of the event loop, so that the program
// shuts down in order (the port closed, the reader joined) when a session ends or someone
// stops it. Create one, on the GUI thread, once the application object exists.
class QuitSignals : public QObject {
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // Whether the handlers are installed.
    bool isActive() const { return m_notifier != nullptr; }

private:
    QSocketNotifier* m_notifier = nullptr;
};
