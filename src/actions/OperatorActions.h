#pragma once

#include "model/ModelNews.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace lumadesk {

class CZbProtocol;
class OperatorHistory;
struct HeadSnapshot;
struct StrobeData;
struct StudioData;
struct StudioModel;

// The panes a change tells, found at each use as the frame finds them.
struct ActionPanes {
    std::function<QObject*()> navigation;
    std::function<QObject*()> control;
    std::function<QObject*()> studioList;
};

// The group panel's offset arithmetic for one head: a proportional modelling lamp moves both
// levels by whichever offset was changed.
void ApplyGroupOffset(StrobeData& unit, bool flashChanged, int flashChange, int modelChange);

// A head an offset step pushed past 1.1 or 8.1: where it stopped and how much of the step (in
// tenths, signed) it did not take.
struct HeldHead {
    QString head; // as the desk lists it, "CH-02"
    int heldAt = 0;
    int notApplied = 0;
};

// The heads (label, level before the step) that a step of `change` tenths holds at a limit.
std::vector<HeldHead> HeldByOffset(const std::vector<std::pair<QString, int>>& levels, int change);

// "CH-02 held at 8.1: +0.4 of the offset not applied", several joined by "; "; empty for none.
QString HeldText(const std::vector<HeldHead>& held);

// The offsets (tenths) every one of the levels can take without being held; {0, 0} for none.
std::pair<int, int> OffsetReach(const std::vector<int>& levels);

// Every change an operator makes to the heads goes through here, whoever makes it: the panels,
// undo and redo, the phone remote. The steps are always the same: the record first, then the
// frame (the protocol notes it in the book of pending values), then the panes are told, then the
// history keeps the step, then the model's news tells each head's changed values once and
// changed() is emitted. No widget lives here; the panes are reached by messages.
//
// The "...Changed" calls are for a caller that has written the records itself (a panel keeps its
// own controls in step with them); the others make the whole change.
//
// While the radio takes no commands (the port's write queue has no room for a whole change) a
// change is refused before any record moves, and refused() says so; a "...Changed" call puts
// the records back as they were and has the panel show them.
class OperatorActions : public QObject {
    Q_OBJECT
public:
    OperatorActions(StudioModel& model, CZbProtocol& protocol, ActionPanes panes,
                    QObject* parent = nullptr);

    // Where each change becomes an undoable step; null for none.
    void setHistory(OperatorHistory* history) { m_history = history; }
    StudioModel& model() { return m_model; }

    // The words of a refused change, in the first pane and on the phone.
    static QString notTakingCommandsText();
    static QString lockedText();
    // Why a change to the heads would be refused now (the desk is locked, or the radio cannot
    // take a whole change); empty when it would go.
    QString refusal() const;
    // False, with refused() emitted, while a change would be refused.
    bool mayChange();

    // The lock: while it is on, every change and test flash is refused, from whichever face;
    // reports still arrive and show. Names and roles are not head settings and stay free.
    bool locked() const { return m_locked; }
    void setLocked(bool locked);

    // Fires every head of the studio one after the other, kTestAllSpacingMs apart, saying each
    // in note() as it fires; not a step of the history. A second call while one runs starts
    // over. False, with refused() emitted or nothing to fire, when it did not start; a lock or a
    // refusal on the way ends it.
    static constexpr int kTestAllSpacingMs = 500;
    bool testAll(const StudioData& studio);
    void stopTestAll();
    bool testingAll() const { return !m_testQueue.empty(); }

    // One head's setting, already in its record, with the head's values before it. False when
    // refused (the record has its values back).
    bool unitChanged(StrobeData& unit, int commandType, const HeadSnapshot& before);
    // The test flash, of this head alone: a frame, nothing stored, no step. False when refused.
    bool testFlash(const StrobeData& unit);
    // An offset (tenths) applied to the records of the ticked heads of the studio, sent as the
    // studio's levels frame of this type. False when refused.
    bool groupLevelsChanged(StudioData& studio, const std::vector<HeadSnapshot>& before,
                            int levelsType, int change);
    // A switch or mode already written into the ticked heads' records: one command to them all.
    // False when refused.
    bool groupSwitched(const std::vector<StrobeData*>& units, int commandType,
                       const std::vector<HeadSnapshot>& before);
    // A set-up copied into the studio's records: the tree is rebuilt and every head sent; the
    // first pane is told how many heads of the set-up (`reached`) had a head to get it. False
    // when refused.
    bool loaded(StudioData& studio, const std::vector<HeadSnapshot>& before, const QString& name,
                int reached);
    // A head or its light renamed in its record (the tree shows it already); the panel shows
    // the name when the head is current.
    void renamed(const HeadSnapshot& before, bool light);

    // The heads ticked on the desk changed: nothing is sent, but the phones show the ticks.
    void ticksChanged() { emit changed(); }
    // What a panel's command came to without changing anything, for the first pane.
    void tell(const QString& text) { emit note(text); }

    // One change as it goes out. The heads it touches are told to the model's news, and
    // changed() is emitted, when the outermost change ends, so a listener finds the records,
    // the frames and the history's step all in place. Undo and redo hold one around the move of
    // the stack.
    class Change {
    public:
        explicit Change(OperatorActions& actions);
        ~Change() { m_actions.endChange(); }
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;

    private:
        OperatorActions& m_actions;
    };
    // Inside a Change: a head it writes, with its values before (the first touch counts).
    void touch(const StrobeData& unit, const HeadValues& before);
    void touch(const StrobeData& unit) { touch(unit, ValuesOf(unit)); }

    // Whole changes, for callers without a panel of their own.
    // A level moved by tenths (positive: up) as the panel's slider moves it: kept to 1.1-8.1, a
    // linked modelling lamp following by as much as the level moved. False when it did not move
    // or was refused.
    bool stepLevel(StrobeData& unit, bool flash, int tenths);
    // A switch or mode of the settings table set to 0 or 1. False when it held that already or
    // was refused.
    bool setSwitch(StrobeData& unit, int commandType, int value);
    // An offset (tenths) for the heads ticked in the studio, as the group panel applies it. False
    // when no head is ticked or it was refused.
    bool offsetTicked(StudioData& studio, bool flash, int change);
    // A stored set-up loaded into the studio (units in both only) without touching the panel's
    // preview. False, with why in *problem, when the file cannot be read whole, the studio has
    // no heads to take it, or it was refused.
    bool loadSetup(StudioData& studio, const QString& name, QString* problem = nullptr);

    // Sends again every value whose frame never left (the link was down, or the port would
    // not take it), as the book of pending values holds it: each is put back into its head's
    // record, which a report may have moved since, and sent as a unit command. Not a step of the
    // history: the step that made the value is there already. The number of heads sent to.
    int sendAgain();

    // The wire-and-panes half of a change whose records hold the values already, for undo and
    // redo, which keep their own step.
    void sendUnit(StrobeData& unit, int commandType, bool panelShowsIt);
    void sendGroupLevels(StudioData& studio, int levelsType);
    void sendGroupSwitch(const std::vector<StrobeData*>& units, int commandType);
    void sendLoaded(StudioData& studio);
    void sendRenamed(StrobeData& unit, bool light);
    // The panel shows the current head again when it is among these; the group panel forgets
    // the offsets it had applied.
    void tellPanelIfCurrent(const std::vector<StrobeData*>& units);
    void resetGroupPanel();

signals:
    // After any change went out or was stored; the phone remote republishes on it.
    void changed();
    // What a change came to, for the window's first pane ("Set-up "evening" sent to 2 heads of
    // Studio B").
    void note(const QString& text);
    // A change was refused, and why.
    void refused(const QString& why);
    void lockChanged(bool locked);
    // testAll() fired its last head or was stopped.
    void testAllEnded();

private:
    QObject* pane(const std::function<QObject*()>& find) const { return find ? find() : nullptr; }
    StrobeData* unitOn(int studio, int channel) const;
    // The records of a refused change get their values back; the panels show them again.
    void putBack(const std::vector<HeadSnapshot>& before, bool group);
    // The heads of snapshots taken before the caller wrote them.
    void touchAll(const std::vector<HeadSnapshot>& before);
    // changed(), now or when the change ends.
    void markChanged();
    void endChange();

    struct Touched {
        int studio;
        int channel;
        std::uint64_t serial;
        HeadValues before;
    };

    StudioModel& m_model;
    CZbProtocol& m_protocol;
    ActionPanes m_panes;
    OperatorHistory* m_history = nullptr;
    int m_changeDepth = 0;
    bool m_changedHeld = false;
    std::vector<Touched> m_touched;
    bool m_locked = false;
    struct QueuedTest {
        int studio;
        int channel;
        std::uint64_t serial;
    };
    std::vector<QueuedTest> m_testQueue;
    QTimer* m_testTimer = nullptr;
    void fireNextTest();
};

} // namespace lumadesk
