#include "actions/OperatorHistory.h"

#include "actions/OperatorActions.h"
#include "link/FrameTypes.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/MonotonicClock.h"

#include <algorithm>

namespace lumadesk {

namespace {

enum class StepKind { Unit, GroupLevels, GroupSwitch, Load, Rename };

// The settings table's rows a command stores into the record, in order.
std::vector<const UnitSetting*> storedSettings() {
    std::vector<const UnitSetting*> rows;
    for (const UnitSetting& setting : UnitSettings()) {
        if (setting.member != nullptr)
            rows.push_back(&setting);
    }
    return rows;
}

QString signedOffset(int change) {
    return (change >= 0 ? QStringLiteral("+") : QString()) + FormatPowerOffset(change);
}

} // namespace

HeadSnapshot SnapshotOf(const StrobeData& unit) {
    HeadSnapshot shot;
    const auto* studio = static_cast<const StudioData*>(unit.pParent);
    shot.studio = studio != nullptr ? studio->nStudioNum : -1;
    shot.channel = unit.nChNum;
    shot.serial = unit.serial;
    for (const UnitSetting* setting : storedSettings())
        shot.values.push_back(unit.*setting->member);
    shot.modelName = unit.sModelName;
    shot.lightName = unit.sLightName;
    shot.told = ValuesOf(unit);
    return shot;
}

std::vector<HeadSnapshot> SnapshotsOf(const std::vector<StrobeData*>& units) {
    std::vector<HeadSnapshot> shots;
    for (const StrobeData* unit : units)
        shots.push_back(SnapshotOf(*unit));
    return shots;
}

void RestoreSnapshot(StrobeData& unit, const HeadSnapshot& shot) {
    const auto rows = storedSettings();
    for (std::size_t i = 0; i < rows.size() && i < shot.values.size(); ++i)
        unit.*rows[i]->member = shot.values[i];
    unit.sModelName = shot.modelName;
    unit.sLightName = shot.lightName;
    unit.nRole = shot.told.role;
}

class HeadStep : public QUndoCommand {
public:
    struct Change {
        HeadSnapshot before;
        HeadSnapshot after;
    };

    HeadStep(OperatorHistory& history, StepKind kind, int type, std::vector<Change> changes,
             qint64 at)
        : m_history(history), m_kind(kind), m_type(type), m_changes(std::move(changes)),
          m_last(at) {}

    int change = 0;     // an offset step's tenths
    bool light = false; // a rename of the light
    QString name;       // a Load's set-up

    int id() const override {
        if (m_kind == StepKind::Unit) {
            const bool level = m_type == CMD_FLASH_LEVEL || m_type == CMD_MODEL_LEVEL;
            return (level ? 1000 : 3000) + m_type;
        }
        return m_kind == StepKind::GroupLevels ? 2000 + m_type : -1;
    }

    // The same value of the same heads moved or toggled again within a second: one step, whose
    // undo goes back to before the first.
    bool mergeWith(const QUndoCommand* command) override {
        const auto* other = static_cast<const HeadStep*>(command);
        if (m_history.m_quiet || other->id() != id() ||
            other->m_changes.size() != m_changes.size() ||
            other->m_last - m_last > OperatorHistory::kMergeMs)
            return false;
        for (std::size_t i = 0; i < m_changes.size(); ++i) {
            if (other->m_changes[i].before.serial != m_changes[i].before.serial)
                return false;
        }
        for (std::size_t i = 0; i < m_changes.size(); ++i)
            m_changes[i].after = other->m_changes[i].after;
        m_last = other->m_last;
        change += other->change;
        retitle();
        return true;
    }

    void undo() override { apply(false); }
    void redo() override {
        // Pushed after the panel made the change itself.
        if (std::exchange(m_fresh, false))
            return;
        apply(true);
    }

    bool touches(int studio) const {
        return std::any_of(m_changes.begin(), m_changes.end(),
                           [studio](const Change& c) { return c.before.studio == studio; });
    }
    bool hasLiveHeads() const {
        return std::any_of(m_changes.begin(), m_changes.end(),
                           [this](const Change& c) { return liveUnit(c.before) != nullptr; });
    }

    std::unique_ptr<HeadStep> clone() const {
        auto copy = std::make_unique<HeadStep>(m_history, m_kind, m_type, m_changes, m_last);
        copy->change = change;
        copy->light = light;
        copy->name = name;
        copy->setText(text());
        return copy;
    }

    void retitle() {
        const HeadSnapshot& first = m_changes.front().after;
        const UnitSetting* setting = SettingOfCommand(m_type);
        auto valueOf = [&](const HeadSnapshot& shot) {
            const auto rows = storedSettings();
            const auto at = std::find(rows.begin(), rows.end(), setting);
            return at != rows.end() ? shot.values[std::size_t(at - rows.begin())] : 0;
        };
        const int heads = int(m_changes.size());
        switch (m_kind) {
        case StepKind::Unit:
            setText(QStringLiteral("%1 %2 %3")
                        .arg(SettingText(*setting, valueOf(first)),
                             setting->kind == SettingKind::Level ? QStringLiteral("on")
                                                                 : QStringLiteral("for"),
                             ChannelLabel(first.channel)));
            break;
        case StepKind::GroupLevels:
            setText(QStringLiteral("%1offset %2 on %3 %4")
                        .arg(m_type == LEVELS_MODEL ? QStringLiteral("model ") : QString(),
                             signedOffset(change))
                        .arg(heads)
                        .arg(heads == 1 ? QStringLiteral("head") : QStringLiteral("heads")));
            break;
        case StepKind::GroupSwitch:
            setText(QStringLiteral("%1 for %2 %3")
                        .arg(SettingText(*setting, valueOf(m_changes.back().after)))
                        .arg(heads)
                        .arg(heads == 1 ? QStringLiteral("head") : QStringLiteral("heads")));
            break;
        case StepKind::Load:
            setText(QStringLiteral("Load \"%1\"").arg(name));
            break;
        case StepKind::Rename:
            setText(QStringLiteral("name \"%1\"").arg(light ? first.lightName : first.modelName));
            break;
        }
    }

private:
    StrobeData* liveUnit(const HeadSnapshot& shot) const {
        const StudioData* studio = m_history.m_model.StudioByNumber(shot.studio);
        StrobeData* unit = studio != nullptr ? studio->UnitOn(shot.channel) : nullptr;
        return unit != nullptr && unit->serial == shot.serial ? unit : nullptr;
    }

    void apply(bool after) {
        if (m_history.m_quiet)
            return;
        const auto rows = storedSettings();
        // Its own change too: the history dock moves the stack without undo().
        OperatorActions::Change telling(m_history.m_actions);
        std::vector<StrobeData*> live;
        for (const Change& c : m_changes) {
            StrobeData* unit = liveUnit(c.before);
            if (unit == nullptr)
                continue;
            const HeadSnapshot& to = after ? c.after : c.before;
            const HeadSnapshot& from = after ? c.before : c.after;
            m_history.m_actions.touch(*unit);
            // Only what the step changed: a report may have moved the rest since.
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (to.values[i] != from.values[i])
                    unit->*rows[i]->member = to.values[i];
            }
            if (to.modelName != from.modelName)
                unit->sModelName = to.modelName;
            if (to.lightName != from.lightName)
                unit->sLightName = to.lightName;
            if (to.told.role != from.told.role)
                unit->nRole = to.told.role;
            live.push_back(unit);
        }
        if (live.empty()) {
            setObsolete(true); // its heads are gone: dropped, nothing sent
            return;
        }
        send(live);
    }

    void send(const std::vector<StrobeData*>& live) {
        OperatorActions& actions = m_history.m_actions;
        auto* studio = static_cast<StudioData*>(live.front()->pParent);
        switch (m_kind) {
        case StepKind::Unit:
            actions.sendUnit(*live.front(), m_type, true); // the panel is told below
            break;
        case StepKind::GroupLevels:
            actions.sendGroupLevels(*studio, m_type);
            actions.resetGroupPanel();
            break;
        case StepKind::GroupSwitch:
            actions.sendGroupSwitch(live, m_type);
            actions.resetGroupPanel();
            break;
        case StepKind::Load:
            actions.sendLoaded(*studio);
            break;
        case StepKind::Rename:
            actions.sendRenamed(*live.front(), light);
            break;
        }
        actions.tellPanelIfCurrent(live);
    }

    OperatorHistory& m_history;
    StepKind m_kind;
    int m_type;
    std::vector<Change> m_changes;
    qint64 m_last;
    bool m_fresh = true;
};

OperatorHistory::OperatorHistory(StudioModel& model, OperatorActions& actions, QObject* parent)
    : QObject(parent), m_model(model), m_actions(actions), m_clock(MonotonicMs) {
    m_stack.setUndoLimit(kUndoLimit);
    connect(&m_stack, &QUndoStack::indexChanged, this, &OperatorHistory::changed);
}

OperatorHistory::~OperatorHistory() {
    disconnect(&m_stack, nullptr, this, nullptr);
    m_quiet = true;
    m_stack.clear();
}

HeadStep* OperatorHistory::stepAt(int index) const {
    return const_cast<HeadStep*>(static_cast<const HeadStep*>(m_stack.command(index)));
}

void OperatorHistory::push(std::unique_ptr<HeadStep> step) {
    step->retitle();
    m_stack.push(step.release());
    emit changed();
}

namespace {

std::vector<HeadStep::Change> changesFrom(const std::vector<HeadSnapshot>& before,
                                          const StudioModel& model) {
    std::vector<HeadStep::Change> changes;
    for (const HeadSnapshot& shot : before) {
        const StudioData* studio = model.StudioByNumber(shot.studio);
        const StrobeData* unit = studio != nullptr ? studio->UnitOn(shot.channel) : nullptr;
        if (unit != nullptr && unit->serial == shot.serial)
            changes.push_back({shot, SnapshotOf(*unit)});
    }
    return changes;
}

} // namespace

void OperatorHistory::unitChanged(const HeadSnapshot& before, int commandType) {
    auto changes = changesFrom({before}, m_model);
    if (changes.empty() || SettingOfCommand(commandType) == nullptr ||
        SettingOfCommand(commandType)->member == nullptr)
        return; // the test flash changes nothing
    push(std::make_unique<HeadStep>(*this, StepKind::Unit, commandType, std::move(changes),
                                    m_clock()));
}

void OperatorHistory::groupLevels(const std::vector<HeadSnapshot>& before, int levelsType,
                                  int change) {
    auto changes = changesFrom(before, m_model);
    if (changes.empty())
        return;
    auto step = std::make_unique<HeadStep>(*this, StepKind::GroupLevels, levelsType,
                                           std::move(changes), m_clock());
    step->change = change;
    push(std::move(step));
}

void OperatorHistory::groupSwitch(const std::vector<HeadSnapshot>& before, int commandType) {
    auto changes = changesFrom(before, m_model);
    const UnitSetting* setting = SettingOfCommand(commandType);
    if (changes.empty() || setting == nullptr || setting->member == nullptr)
        return;
    push(std::make_unique<HeadStep>(*this, StepKind::GroupSwitch, commandType, std::move(changes),
                                    m_clock()));
}

void OperatorHistory::loaded(const std::vector<HeadSnapshot>& before, const QString& name) {
    auto changes = changesFrom(before, m_model);
    if (changes.empty())
        return;
    auto step = std::make_unique<HeadStep>(*this, StepKind::Load, 0, std::move(changes), m_clock());
    step->name = name;
    push(std::move(step));
}

void OperatorHistory::renamed(const HeadSnapshot& before, bool light) {
    auto changes = changesFrom({before}, m_model);
    if (changes.empty())
        return;
    auto step =
        std::make_unique<HeadStep>(*this, StepKind::Rename, 0, std::move(changes), m_clock());
    step->light = light;
    push(std::move(step));
}

void OperatorHistory::forgetStudio(int studio) {
    // QUndoStack takes nothing out: the stack is built again from the other studios' steps,
    // quietly, at the same place among them.
    std::vector<std::unique_ptr<HeadStep>> kept;
    int index = 0;
    bool any = false;
    for (int i = 0; i < m_stack.count(); ++i) {
        const HeadStep* step = stepAt(i);
        if (step->touches(studio)) {
            any = true;
            continue;
        }
        kept.push_back(step->clone());
        index += i < m_stack.index() ? 1 : 0;
    }
    if (!any)
        return;
    m_quiet = true;
    m_stack.clear();
    for (auto& step : kept)
        m_stack.push(step.release());
    m_stack.setIndex(index);
    m_quiet = false;
    emit changed();
}

void OperatorHistory::undo() {
    if (!m_actions.mayChange())
        return;
    {
        // The news goes out once the stack has moved.
        OperatorActions::Change change(m_actions);
        while (m_stack.canUndo()) {
            const bool live = stepAt(m_stack.index() - 1)->hasLiveHeads();
            m_stack.undo(); // a step without heads makes itself obsolete and goes
            if (live)
                break;
        }
    }
    emit changed();
}

void OperatorHistory::redo() {
    if (!m_actions.mayChange())
        return;
    {
        OperatorActions::Change change(m_actions);
        while (m_stack.canRedo()) {
            const bool live = stepAt(m_stack.index())->hasLiveHeads();
            m_stack.redo();
            if (live)
                break;
        }
    }
    emit changed();
}

QString OperatorHistory::undoText() const {
    for (int i = m_stack.index() - 1; i >= 0; --i) {
        if (stepAt(i)->hasLiveHeads())
            return QStringLiteral("Undo %1").arg(stepAt(i)->text());
    }
    return QStringLiteral("Undo");
}

QString OperatorHistory::redoText() const {
    for (int i = m_stack.index(); i < m_stack.count(); ++i) {
        if (stepAt(i)->hasLiveHeads())
            return QStringLiteral("Redo %1").arg(stepAt(i)->text());
    }
    return QStringLiteral("Redo");
}

} // namespace lumadesk
