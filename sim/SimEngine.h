#pragma once

#include "sim/CommandCutter.h"
#include "sim/HeadCodec.h"
#include "sim/SimConfig.h"
#include "sim/SimRandom.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <map>
#include <optional>
#include <utility>

namespace lumadesk::sim {

// What a test or a log may know about one head.
struct HeadState {
    int group = 0;
    int channel = 0;
    HeadSettings settings;
    bool charged = true;
    int heat = 0;
    int flashes = 0;
};

// The dongle and its heads without any I/O: bytes from the console go in with the time they
// arrived, report frames come out with the time they are due. Time is whatever clock the caller
// keeps, in milliseconds; the engine never reads a clock, so it is tested on made-up time.
class SimEngine {
public:
    struct Outgoing {
        QByteArray noise; // stray bytes or a rejected-kind frame to send first; usually empty
        QByteArray frame;
    };

    // How much a flash heats a head, and where heat stops (0xFF would start a frame).
    static int heatPerFlash(int flashLevel) { return 2 + flashLevel / 10; }
    static constexpr int kMaxHeat = 250;

    explicit SimEngine(const SimConfig& config);

    // Takes bytes from the console; returns the complete frames cut from them (for the log),
    // understood or not.
    QList<QByteArray> receive(QByteArrayView bytes, Milliseconds now);

    // Everything due at `now`, in the order it goes on the wire.
    QList<Outgoing> takeDue(Milliseconds now);

    // When takeDue next has something to do; nothing when idle.
    std::optional<Milliseconds> nextDue() const;

    // The dongle was pulled: what it had queued is lost and it forgets the selected group. The
    // heads keep their settings, go on recharging and cool down.
    void unplug();

    int selectedGroup() const { return m_selected; }
    QList<HeadState> heads(Milliseconds now) const;
    qint64 discardedBytes() const { return m_cutter.discarded(); }

private:
    struct Head {
        HeadSetup setup;
        bool deaf = false; // hears the studio select only
        bool charged = true;
        int heat = 0; // as of heatSince; cooling is applied when looked at
        Milliseconds heatSince{0};
        int reportedHeat = 0; // what the console last heard
        std::optional<Milliseconds> lastHeatReport;
        bool heatCheckPending = false;
        int flashes = 0;
    };

    enum class EventKind {
        Frame,     // a frame built when scheduled (echoes)
        Status,    // a status report, worded when it goes out so it tells the head's state then
        Recharged, // the head is ready again after a flash
        HeatCheck, // report the head's heat if it changed
    };
    struct Event {
        EventKind kind;
        int head; // index into m_heads; -1 for the dongle's own frames
        int group;
        QByteArray frame;
    };

    void handle(const QByteArray& frame, Milliseconds now);
    void selectGroup(int group, Milliseconds now);
    void unitCommand(const Command& command, Milliseconds now);
    void unitSettings(const Command& command, Milliseconds now);
    void studioLevels(const Command& command, Milliseconds now);
    void fire(int index, Milliseconds now);

    void schedule(Milliseconds due, EventKind kind, int head, QByteArray frame = {});
    Milliseconds announceDue(Milliseconds now);
    Milliseconds echoDue(Milliseconds now);
    void scheduleHeatCheck(int index, Milliseconds now, Milliseconds notBefore);
    Milliseconds heatInterval() const;
    std::optional<QByteArray> run(const Event& event, Milliseconds due);

    int heatAt(const Head& head, Milliseconds now) const;
    void cool(Head& head, Milliseconds now);
    QByteArray noise();

    SimConfig m_config;
    SimRandom m_random;
    CommandCutter m_cutter;
    QList<Head> m_heads;
    int m_selected = -1;
    Milliseconds m_echoLane{0}; // echoes leave in the order of their commands
    quint64 m_sequence = 0;
    std::map<std::pair<Milliseconds, quint64>, Event> m_events;
};

} // namespace lumadesk::sim
