#pragma once

#include "model/ModelNews.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lumadesk {

class OperatorActions;
struct StrobeData;
struct StudioData;
struct StudioModel;

// One head's values as the operator can change them: the settings a command sets (the
// settings table's rows with a record member) and the two names.
struct HeadSnapshot {
    int studio = -1;
    int channel = -1;
    std::uint64_t serial = 0;
    std::vector<int> values; // in the settings table's order
    QString modelName;
    QString lightName;
    // Every value the model's news compares, so a change tells exactly what it moved.
    HeadValues told;
};

HeadSnapshot SnapshotOf(const StrobeData& unit);
std::vector<HeadSnapshot> SnapshotsOf(const std::vector<StrobeData*>& units);
// Writes the snapshot's values and names back into the record.
void RestoreSnapshot(StrobeData& unit, const HeadSnapshot& shot);

// What the operator did to the heads, one undoable step per change: a level (spin, slider, keys,
// typed), a switch or mode, an offset or switch for the ticked heads, a Load, a rename. Each step
// keeps the heads' values before and after; undo writes the values back into the records and
// sends them through the operator actions, as the panels do; redo does the same with the values
// after. What reports change is never a step. A step whose heads are gone (a scan made new records)
// is dropped, never sent. Moves of one level, or toggles of one switch, of the same heads within
// kMergeMs of each other are one step.
class OperatorHistory : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>; // milliseconds, only forward
    static constexpr qint64 kMergeMs = 1000;
    // Steps kept; the oldest go first. A phone can make thousands a second.
    static constexpr int kUndoLimit = 1000;

    // Undo and redo send through the actions, as the panels do.
    OperatorHistory(StudioModel& model, OperatorActions& actions, QObject* parent = nullptr);
    ~OperatorHistory() override;

    QUndoStack& stack() { return m_stack; }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // After the panel stored and sent one head's change with this unit command type.
    void unitChanged(const HeadSnapshot& before, int commandType);
    // After the group panel applied an offset change (tenths) to the ticked heads and sent the
    // levels frame of this type.
    void groupLevels(const std::vector<HeadSnapshot>& before, int levelsType, int change);
    // After the group panel sent one command of this type to the ticked heads.
    void groupSwitch(const std::vector<HeadSnapshot>& before, int commandType);
    // After a set-up was loaded into the heads of a studio.
    void loaded(const std::vector<HeadSnapshot>& before, const QString& name);
    // After a head or its light was given a new name.
    void renamed(const HeadSnapshot& before, bool light);

    // A scan made the studio's records anew: its steps go from the history.
    void forgetStudio(int studio);

    // Undo and redo as the Edit menu does them: a step whose heads are all gone is dropped and
    // the next one taken. The texts name the next step that would really act.
    void undo();
    void redo();
    QString undoText() const;
    QString redoText() const;

signals:
    void changed();

private:
    friend class HeadStep;
    class HeadStep* stepAt(int index) const;
    void push(std::unique_ptr<HeadStep> step);

    StudioModel& m_model;
    OperatorActions& m_actions;
    Clock m_clock;
    QUndoStack m_stack;
    bool m_quiet = false; // while the stack is rebuilt, steps neither act nor merge
};

} // namespace lumadesk
