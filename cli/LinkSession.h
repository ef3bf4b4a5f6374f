#pragma once

#include "cli/EventTap.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "platform/ComSettings.h"
#include "platform/SignalWatch.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

class QEventLoop;

namespace lumadesk::cli {

// The console's radio link and model, as the main frame holds them, with the event tap between
// the decoders and the handler. The session is the owner the reader thread and the handler send
// their messages to. Waits run the event loop, so reports are taken in while the tool waits for
// one.
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
    QString PortPath() const { return m_link.port().PortPath(); }
    // The errno that made Open fail.
    int OpenError() const { return m_link.port().OpenError(); }

    StudioModel& Model() { return m_model; }
    CZbProtocol& Protocol() { return m_link.protocol(); }
    // What was sent and not yet confirmed; each change of it ends the step of a wait.
    PendingValues& Pending() { return m_link.pending(); }
    void SetEventListener(EventTap::Listener listener) { m_tap.setListener(std::move(listener)); }

    // What the console's scan does, on the studio of that number made current first: it is
    // emptied, the dongle is told to address its group and it becomes the scanned one. The
    // heads' answers fill it while the caller waits.
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

    // The model and the tap outlive the link that fills and calls them.
    StudioModel m_model;
    EventTap m_tap;
    lumadesk::RadioLink m_link{this, m_model};
    lumadesk::SignalWatch m_interrupt{[this] { wake(); }};

    QList<UnitMessage> m_messages;
    QEventLoop* m_loop = nullptr;
    bool m_readerEnded = false;
    bool m_stopped = false;
};

} // namespace lumadesk::cli
