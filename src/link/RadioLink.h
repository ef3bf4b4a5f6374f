#pragma once

#include "link/CCommThread.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/HeardLog.h"
#include "link/PendingValues.h"
#include "link/ReceivePump.h"
#include "link/ReportAssembler.h"
#include "link/TrafficLog.h"
#include "platform/ComSettings.h"
#include "platform/HeldMessages.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace lumadesk {

struct StudioData;
struct StudioModel;

// The radio link as one piece: the port with its reader thread and ring, the pump, the report
// assembler, the protocol object and the event handler, built in the order they depend on each
// other. The link takes the reader's messages itself: it drains on each bytes-received message
// (60) and says readerEnded() on 61. The owner (the main frame, the tool's session) receives the
// handler's messages (70-72). GUI thread.
class RadioLink : public QObject {
    Q_OBJECT
public:
    // The clock is the book of pending values' (tests give their own).
    RadioLink(QObject* owner, StudioModel& model, PendingValues::Clock clock = {});
    // Joins the reader before anything it fills or posts to goes away.
    ~RadioLink() override;

    // Opens the port with the line settings and starts the reader; false leaves it closed. A
    // dongle that was away forgets its group: once open, the scanned studio (if any) is selected
    // again before anything else goes out.
    bool open(const ComSettings& settings);
    // Closing forgets the addressed studio: nothing says the dongle still knows it.
    void close();
    bool isConnected() const { return m_port.IsConnected(); }

    // The command senders.
    CZbProtocol& protocol() { return m_protocol; }
    CCommThread& port() { return m_port; }
    const CCommThread& port() const { return m_port; }
    ReportAssembler& assembler() { return m_assembler; }

    // The values sent and not yet reported back. Its deadlines are kept by a timer here.
    PendingValues& pending() { return m_pending; }
    const PendingValues& pending() const { return m_pending; }

    // Feeds the bytes the ring holds to the assembler, then delivers the news the handler
    // posted meanwhile (new units, statuses, heat), in order; the number of bytes fed. One
    // turn of the owner's event loop per burst, however many reports it brings. The model's
    // news is bracketed by drainBegun/drainEnded around it. Called on each bytes-received
    // message; callers without an event loop may call it themselves.
    int drain();

    // Sees every decoded event just before the handler applies it; null for none. The tap's
    // return values are not used.
    void setEventTap(CZbEventHandler* tap) { m_front.tap = tap; }

    // When each head last reported.
    HeardLog& heard() { return m_heard; }
    const HeardLog& heard() const { return m_heard; }

    // Records every frame both ways, on this (the owner's) thread; null for none. The log
    // outlives the link or is taken away first.
    void setTrafficLog(TrafficLog* log);

    // The first steps of a channel scan of the current studio (one of the five, never the
    // memory studio): it is emptied, the studio list pane is told (sent, so it lets go of the
    // old records first; null for none), the dongle is told to address its group, and the
    // studio becomes the scanned one. The heads' answers fill it from then on. Null, with
    // nothing done, when there is no current studio.
    StudioData* startScan(QObject* studioListPane);

    // Asks every head of the scanned studio to report, by selecting it again without emptying
    // it. After the scan's waiting time, finishCheck() marks the heads that did not report.
    // Null, with nothing sent, when no studio was scanned.
    StudioData* checkHeads();
    // The heads of the scanned studio that missed the check, by channel.
    std::vector<int> finishCheck();
    // False for a head that failed to answer what it had to and has reported nothing since: a
    // value it has not confirmed in time, or the last check of its studio. Any report of the
    // head makes it answering again, also one that leaves a value unconfirmed.
    bool isAnswering(int studio, int channel) const;

signals:
    // The reader thread left (the device hung up, or the port was closed).
    void readerEnded();

protected:
    void customEvent(QEvent* event) override;

private:
    // Passes each event to the book, the tap, then the handler: the book has settled a value
    // before the handler's messages have the panes redraw it.
    struct TappedHandler : CZbEventHandler {
        TappedHandler(CZbEventHandler& first, CZbEventHandler& next) : book(first), handler(next) {}
        int OnStatus(int channel, const StrobeData* status, int reserved) override;
        int OnSettingReport(int type, int channel, qintptr value) override;
        int OnChargeReport(int type, int channel, int value) override;
        int OnHeatReport(int type, int channel, int value) override;

        CZbEventHandler& book;
        CZbEventHandler& handler;
        CZbEventHandler* tap = nullptr;
    };

    // Notes in the heard log which heads an event comes from, then passes it on.
    struct HeardStage : CZbEventHandler {
        HeardStage(CZbEventHandler& next, HeardLog& log, StudioModel& model)
            : handler(next), heard(log), studios(model) {}
        int OnStatus(int channel, const StrobeData* status, int reserved) override;
        int OnSettingReport(int type, int channel, qintptr value) override;
        int OnChargeReport(int type, int channel, int value) override;
        int OnHeatReport(int type, int channel, int value) override;
        void note(int channel);

        CZbEventHandler& handler;
        HeardLog& heard;
        StudioModel& studios;
    };

    // Records each assembled report in the traffic log before the protocol decodes it.
    struct TrafficStage : ReportDispatcher {
        explicit TrafficStage(ReportDispatcher& next) : dispatcher(next) {}
        int DispatchReport(const std::uint8_t* frame, int kind) override;

        ReportDispatcher& dispatcher;
        TrafficLog* log = nullptr;
    };

    // Member order is the dependency order: the reader fills the port's ring and the pump
    // empties it into the assembler, which hands frames to the protocol, which calls the
    // handler. Destroyed in reverse, after close() has joined the reader.
    StudioModel& m_model;
    PendingValues m_pending;
    QTimer m_expiry;
    CCommThread m_port;
    CStrobeEventHandler m_handler;
    HeardLog m_heard;
    TappedHandler m_front{m_pending, m_handler};
    HeardStage m_heardStage{m_front, m_heard, m_model};
    CZbProtocol m_protocol{&m_port, &m_heardStage};
    TrafficStage m_trafficStage{m_protocol};
    ReportAssembler m_assembler{m_trafficStage};
    ReceivePump m_pump{m_port.Ring(), m_assembler};
    HeldMessages m_held;
    int m_drainDepth = 0;
};

} // namespace lumadesk
