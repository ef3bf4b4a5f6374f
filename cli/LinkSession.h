#pragma once

#include "cli/EventTap.h"
#include "cli/InterruptWatch.h"
#include "link/CCommThread.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/ReceivePump.h"
#include "link/ReportAssembler.h"
#include "model/ComSettings.h"
#include "model/StudioModel.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

class QEventLoop;

// The console's core wired as the main frame wires it: the port with its reader thread, the
// pump and assembler, the protocol object, the event handler and the model. The session is the
// owner the reader thread and the handler send their messages to. Waits run the event loop, so
// reports are taken in while the tool waits for one.
class LinkSession : public QObject {
public:
    enum class WaitEnd { Done, TimedOut, LinkLost, Interrupted };

    // A message of the event handler: a new unit (70), a refreshed unit (71) or a changed
    // setting (72, wParam the change code). The unit pointer is only compared, never followed:
    // a posted message may outlive its record.
    struct UnitMessage {
        int number;
        qintptr wParam;
        const StrobeData* unit;
    };

    LinkSession();
    ~LinkSession() override;
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    bool Open(const ComSettings& settings);
    QString PortPath() const { return m_port.PortPath(); }

    StudioModel& Model() { return m_model; }
    CZbProtocol& Protocol() { return m_protocol; }
    void SetEventListener(EventTap::Listener listener) { m_tap.setListener(std::move(listener)); }

    // What the console's scan does: the studio is emptied, becomes current and scanned, and the
    // dongle is told to address its group. The heads' answers fill it while the caller waits.
    StudioData* StartScan(int studioNumber);

    // Runs the event loop until `done` holds (checked after every message), the limit passes
    // (none: no limit), the reader ends, a stop signal arrives or Stop is called. A null `done`
    // waits for the others.
    WaitEnd WaitUntil(const std::function<bool()>& done,
                      std::optional<std::chrono::milliseconds> limit);

    // Ends the wait in progress (or the next one) as if interrupted.
    void Stop();

    const QList<UnitMessage>& Messages() const { return m_messages; }
    void ClearMessages() { m_messages.clear(); }

protected:
    void customEvent(QEvent* event) override;

private:
    void wake();

    StudioModel m_model;
    CCommThread m_port{this};
    CStrobeEventHandler m_handler{this, &m_model};
    EventTap m_tap{m_handler};
    CZbProtocol m_protocol{&m_port, &m_tap};
    ReportAssembler m_assembler{m_protocol};
    ReceivePump m_pump{m_port.Ring(), m_assembler};
    InterruptWatch m_interrupt{[this] { wake(); }};

    QList<UnitMessage> m_messages;
    QEventLoop* m_loop = nullptr;
    bool m_readerEnded = false;
    bool m_stopped = false;
};
