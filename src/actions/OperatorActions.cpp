#include "actions/OperatorActions.h"

#include "actions/OperatorHistory.h"
#include "link/CCommThread.h"
#include "link/CZbProtocol.h"
#include "link/ChannelMask.h"
#include "link/FrameTypes.h"
#include "link/MemoryApply.h"
#include "link/PendingValues.h"
#include "link/UnitSettingTable.h"
#include "model/BusinessMemory.h"
#include "model/HeadRole.h"
#include "model/PowerValues.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/ChangeCode.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

namespace lumadesk {

namespace {

int changeCodeOf(int commandType) {
    const UnitSetting* setting = SettingOfCommand(commandType);
    return setting != nullptr ? int(setting->changeCode) : int(CHANGE_NONE);
}

} // namespace

void ApplyGroupOffset(StrobeData& unit, bool flashChanged, int flashChange, int modelChange) {
    const bool prop = unit.nModelMode1 == 1;
    unit.nFlashValue =
        ApplyOffsetChange(unit.nFlashValue, prop && !flashChanged ? modelChange : flashChange);
    unit.nModelValue =
        ApplyOffsetChange(unit.nModelValue, prop && flashChanged ? flashChange : modelChange);
}

std::vector<HeldHead> HeldByOffset(const std::vector<std::pair<QString, int>>& levels, int change) {
    std::vector<HeldHead> held;
    for (const auto& [head, level] : levels) {
        const int reached = ApplyOffsetChange(level, change);
        if (reached != level + change)
            held.push_back({head, reached, level + change - reached});
    }
    return held;
}

QString HeldText(const std::vector<HeldHead>& held) {
    QStringList parts;
    for (const HeldHead& head : held) {
        const QString sign = head.notApplied < 0 ? QStringLiteral("\u2212") : QStringLiteral("+");
        parts << QStringLiteral("%1 held at %2: %3%4 of the offset not applied")
                     .arg(head.head, QString::number(head.heldAt / 10.0, 'f', 1), sign,
                          QString::number(std::abs(head.notApplied) / 10.0, 'f', 1));
    }
    return parts.join(QStringLiteral("; "));
}

std::pair<int, int> OffsetReach(const std::vector<int>& levels) {
    if (levels.empty())
        return {0, 0};
    const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    // A level already outside the range can take no step at all in that direction.
    return {std::min(0, kLowestLevel - *low), std::max(0, kHighestLevel - *high)};
}

OperatorActions::OperatorActions(StudioModel& model, CZbProtocol& protocol, ActionPanes panes,
                                 QObject* parent)
    : QObject(parent), m_model(model), m_protocol(protocol), m_panes(std::move(panes)) {}

QString OperatorActions::notTakingCommandsText() {
    return QStringLiteral("The radio is not taking commands");
}

QString OperatorActions::lockedText() {
    return QStringLiteral("The desk is locked (Ctrl+Shift+L to unlock)");
}

QString OperatorActions::refusal() const {
    if (m_locked)
        return lockedText();
    const CCommThread* port = m_protocol.Port();
    if (port != nullptr && !port->TakesCommands())
        return notTakingCommandsText();
    return {};
}

bool OperatorActions::mayChange() {
    const QString why = refusal();
    if (why.isEmpty())
        return true;
    emit refused(why);
    return false;
}

void OperatorActions::setLocked(bool locked) {
    if (m_locked == locked)
        return;
    m_locked = locked;
    if (locked)
        stopTestAll();
    emit lockChanged(locked);
    emit changed();
}

bool OperatorActions::testAll(const StudioData& studio) {
    stopTestAll();
    if (!mayChange())
        return false;
    const int number = shownStudioNumber(m_model, &studio);
    for (const StrobeData* unit : UnitsOf(&studio))
        m_testQueue.push_back({number, unit->nChNum, unit->serial});
    if (m_testQueue.empty())
        return false;
    if (m_testTimer == nullptr) {
        m_testTimer = new QTimer(this);
        m_testTimer->setInterval(kTestAllSpacingMs);
        connect(m_testTimer, &QTimer::timeout, this, &OperatorActions::fireNextTest);
    }
    m_testTimer->start();
    fireNextTest();
    return true;
}

void OperatorActions::stopTestAll() {
    if (m_testQueue.empty())
        return;
    m_testQueue.clear();
    if (m_testTimer != nullptr)
        m_testTimer->stop();
    emit testAllEnded();
}

void OperatorActions::fireNextTest() {
    while (!m_testQueue.empty()) {
        const QueuedTest next = m_testQueue.front();
        m_testQueue.erase(m_testQueue.begin());
        const StrobeData* unit = unitOn(next.studio, next.channel);
        if (unit == nullptr || unit->serial != next.serial)
            continue; // a scan took it since
        if (!testFlash(*unit)) {
            m_testQueue.clear();
            break;
        }
        emit note(QStringLiteral("Test flash: %1 %2").arg(unit->sChName, HeadLabel(*unit)));
        if (!m_testQueue.empty())
            return;
        break;
    }
    if (m_testTimer != nullptr)
        m_testTimer->stop();
    emit testAllEnded();
}

void OperatorActions::touch(const StrobeData& unit, const HeadValues& before) {
    const auto* studio = static_cast<const StudioData*>(unit.pParent);
    for (const Touched& t : m_touched) {
        if (t.serial == unit.serial)
            return;
    }
    m_touched.push_back(
        {studio != nullptr ? studio->nStudioNum : -1, unit.nChNum, unit.serial, before});
}

void OperatorActions::touchAll(const std::vector<HeadSnapshot>& before) {
    for (const HeadSnapshot& shot : before) {
        const StrobeData* unit = unitOn(shot.studio, shot.channel);
        if (unit != nullptr && unit->serial == shot.serial)
            touch(*unit, shot.told);
    }
}

void OperatorActions::markChanged() {
    if (m_changeDepth > 0)
        m_changedHeld = true;
    else
        emit changed();
}

OperatorActions::Change::Change(OperatorActions& actions) : m_actions(actions) {
    ++m_actions.m_changeDepth;
    m_actions.m_model.news.beginHold();
}

void OperatorActions::endChange() {
    if (--m_changeDepth > 0) {
        m_model.news.endHold();
        return;
    }
    // Taken first: a listener may start the next change.
    const std::vector<Touched> touched = std::exchange(m_touched, {});
    for (const Touched& t : touched) {
        const StrobeData* unit = unitOn(t.studio, t.channel);
        if (unit != nullptr && unit->serial == t.serial)
            m_model.news.tellHeadChanged(*unit, Difference(t.before, ValuesOf(*unit)));
    }
    m_model.news.endHold();
    if (std::exchange(m_changedHeld, false))
        emit changed();
}

void OperatorActions::putBack(const std::vector<HeadSnapshot>& before, bool group) {
    std::vector<StrobeData*> units;
    for (const HeadSnapshot& shot : before) {
        StrobeData* unit = unitOn(shot.studio, shot.channel);
        if (unit != nullptr && unit->serial == shot.serial) {
            RestoreSnapshot(*unit, shot);
            units.push_back(unit);
        }
    }
    if (group)
        resetGroupPanel(); // its offsets and switches were never applied
    tellPanelIfCurrent(units);
}

bool OperatorActions::unitChanged(StrobeData& unit, int commandType, const HeadSnapshot& before) {
    Change change(*this);
    touch(unit, before.told);
    if (!mayChange()) {
        putBack({before}, false);
        return false;
    }
    sendUnit(unit, commandType, true);
    if (m_history != nullptr)
        m_history->unitChanged(before, commandType);
    return true;
}

bool OperatorActions::testFlash(const StrobeData& unit) {
    if (!mayChange())
        return false;
    m_protocol.SendUnitCommand(0, &unit, CMD_TEST_FLASH);
    return true;
}

bool OperatorActions::groupLevelsChanged(StudioData& studio,
                                         const std::vector<HeadSnapshot>& before, int levelsType,
                                         int change) {
    Change whole(*this);
    touchAll(before);
    if (!mayChange()) {
        putBack(before, true);
        return false;
    }
    sendGroupLevels(studio, levelsType);
    if (m_history != nullptr)
        m_history->groupLevels(before, levelsType, change);
    return true;
}

bool OperatorActions::groupSwitched(const std::vector<StrobeData*>& units, int commandType,
                                    const std::vector<HeadSnapshot>& before) {
    Change change(*this);
    touchAll(before);
    if (!mayChange()) {
        putBack(before, true);
        return false;
    }
    sendGroupSwitch(units, commandType);
    if (m_history != nullptr)
        m_history->groupSwitch(before, commandType);
    return true;
}

bool OperatorActions::loaded(StudioData& studio, const std::vector<HeadSnapshot>& before,
                             const QString& name, int reached) {
    Change change(*this);
    touchAll(before);
    if (!mayChange()) {
        putBack(before, true);
        return false;
    }
    sendLoaded(studio);
    if (m_history != nullptr)
        m_history->loaded(before, name);
    const CCommThread* port = m_protocol.Port();
    emit note(LoadedText(name, reached, studio, port != nullptr && port->IsConnected()));
    return true;
}

void OperatorActions::renamed(const HeadSnapshot& before, bool light) {
    Change change(*this);
    touchAll({before});
    if (m_history != nullptr)
        m_history->renamed(before, light);
    // The panel's line names the current head.
    if (const StrobeData* current = UnitOfNode(m_model.pCurNode);
        current != nullptr && current->serial == before.serial)
        SendMessage(pane(m_panes.control), Msg::CtrlCurrentUnit);
    markChanged();
}

bool OperatorActions::stepLevel(StrobeData& unit, bool flash, int tenths) {
    const HeadSnapshot before = SnapshotOf(unit);
    int& driver = flash ? unit.nFlashValue : unit.nModelValue;
    int& follower = flash ? unit.nModelValue : unit.nFlashValue;
    const int moved = ApplyOffsetChange(driver, tenths);
    if (moved == driver || !mayChange())
        return false;
    Change change(*this);
    touch(unit);
    if (unit.nModelMode1 == 1)
        follower = FollowLevelMove(follower, moved - driver);
    driver = moved;
    const int type = flash ? CMD_FLASH_LEVEL : CMD_MODEL_LEVEL;
    sendUnit(unit, type, false);
    if (m_history != nullptr)
        m_history->unitChanged(before, type);
    return true;
}

bool OperatorActions::setSwitch(StrobeData& unit, int commandType, int value) {
    const UnitSetting* setting = SettingOfCommand(commandType);
    if (setting == nullptr || setting->member == nullptr || setting->kind == SettingKind::Level ||
        (value != 0 && value != 1) || unit.*setting->member == value || !mayChange())
        return false;
    Change change(*this);
    touch(unit);
    const HeadSnapshot before = SnapshotOf(unit);
    unit.*setting->member = value;
    sendUnit(unit, commandType, false);
    if (m_history != nullptr)
        m_history->unitChanged(before, commandType);
    return true;
}

bool OperatorActions::offsetTicked(StudioData& studio, bool flash, int change) {
    const std::vector<StrobeData*> ticked = TickedUnits(&studio);
    if (ticked.empty() || change == 0 || !mayChange())
        return false;
    Change whole(*this);
    const std::vector<HeadSnapshot> before = SnapshotsOf(ticked);
    for (StrobeData* unit : ticked)
        ApplyGroupOffset(*unit, flash, flash ? change : 0, flash ? 0 : change);
    groupLevelsChanged(studio, before, flash ? LEVELS_FLASH : LEVELS_MODEL, change);
    tellPanelIfCurrent(ticked);
    return true;
}

bool OperatorActions::loadSetup(StudioData& studio, const QString& name, QString* problem) {
    if (const QString why = refusal(); !why.isEmpty()) {
        emit refused(why);
        if (problem != nullptr)
            *problem = why;
        return false;
    }
    // Read aside, so the panel's preview and its Load stay as the operator left them.
    StudioModel scratch;
    XmlFileContext files{&scratch, nullptr, nullptr};
    if (MemoryFilePath(name).isEmpty() || !ReadMemoryFile(&files, name)) {
        if (problem != nullptr)
            *problem = QStringLiteral("Fail to open file");
        return false;
    }
    const std::vector<HeadSnapshot> before = SnapshotsOf(UnitsOf(&studio));
    if (before.empty()) {
        if (problem != nullptr)
            *problem = NoHeadsYetText(studio) + QStringLiteral(": nothing was sent");
        return false;
    }
    const LoadReach reach = ReachOfLoad(scratch.pMemoryStudio.get(), &studio);
    Change change(*this);
    touchAll(before);
    CopyStudioValues(&studio, scratch.pMemoryStudio.get());
    if (!loaded(studio, before, name, reach.reached)) {
        if (problem != nullptr)
            *problem = refusal();
        return false;
    }
    tellPanelIfCurrent(UnitsOf(&studio));
    return true;
}

int OperatorActions::sendAgain() {
    const PendingValues* book = m_protocol.Pending();
    if (book == nullptr)
        return 0;
    const std::vector<PendingValues::Unsent> unsent = book->unsent();
    Change change(*this);
    std::vector<StrobeData*> units;
    for (std::size_t i = 0; i < unsent.size();) {
        const int studio = unsent[i].studio;
        const int channel = unsent[i].channel;
        StrobeData* unit = unitOn(studio, channel);
        if (unit != nullptr)
            touch(*unit);
        std::vector<const UnitSetting*> settings;
        for (; i < unsent.size() && unsent[i].studio == studio && unsent[i].channel == channel;
             ++i) {
            const UnitSetting* setting = unsent[i].setting;
            settings.push_back(setting);
            if (unit != nullptr && setting->member != nullptr)
                unit->*setting->member = unsent[i].value;
        }
        if (unit == nullptr)
            continue;
        bool levelsSent = false; // one level command carries both levels
        for (const UnitSetting* setting : settings) {
            if (setting->kind == SettingKind::Level && std::exchange(levelsSent, true))
                continue;
            m_protocol.SendUnitCommand(0, unit, setting->commandType);
            if (setting->changeCode != CHANGE_NONE)
                PostRecordMessage(pane(m_panes.navigation), Msg::NavUnitSetting,
                                  setting->changeCode, unit);
        }
        units.push_back(unit);
    }
    if (units.empty())
        return 0;
    tellPanelIfCurrent(units);
    markChanged();
    return int(units.size());
}

StrobeData* OperatorActions::unitOn(int studio, int channel) const {
    const StudioData* owner = m_model.StudioByNumber(studio);
    return owner != nullptr ? owner->UnitOn(channel) : nullptr;
}

void OperatorActions::sendUnit(StrobeData& unit, int commandType, bool panelShowsIt) {
    m_protocol.SendUnitCommand(0, &unit, commandType);
    const int code = changeCodeOf(commandType);
    if (code != CHANGE_NONE)
        PostRecordMessage(pane(m_panes.navigation), Msg::NavUnitSetting, code, &unit);
    if (!panelShowsIt)
        tellPanelIfCurrent({&unit});
    markChanged();
}

void OperatorActions::sendGroupLevels(StudioData& studio, int levelsType) {
    m_protocol.SendStudioLevels(levelsType, &studio);
    PostMessage(pane(m_panes.navigation), Msg::NavGroupChange, CHANGE_MODEL_LEVEL, 0);
    markChanged();
}

void OperatorActions::sendGroupSwitch(const std::vector<StrobeData*>& units, int commandType) {
    const UnitSetting* setting = SettingOfCommand(commandType);
    if (units.empty() || setting == nullptr)
        return;
    // One command as the group panel sends it; heads that hold different values (an undo of
    // a click on heads that differed) get one command per value. The value byte comes from the
    // last head of each.
    std::map<int, std::pair<std::uint16_t, const StrobeData*>> byValue;
    for (const StrobeData* unit : units) {
        auto& [mask, last] = byValue[setting->member != nullptr ? unit->*setting->member : 0];
        mask |= MaskFromChannel(unit->nChNum);
        last = unit;
    }
    for (const auto& [value, group] : byValue)
        m_protocol.SendUnitCommand(group.first, group.second, commandType);
    const int code = int(setting->changeCode);
    if (code != CHANGE_NONE)
        PostMessage(pane(m_panes.navigation), Msg::NavGroupChange, code, 0);
    markChanged();
}

void OperatorActions::sendLoaded(StudioData& studio) {
    // The tree rebuilds the studio's branch; for the studio on screen the grid follows.
    if (&studio == StudioOfNode(m_model.pCurNode))
        SendMessage(pane(m_panes.studioList), Msg::ListMemoryApplied);
    else
        SendMessage(pane(m_panes.studioList), Msg::ListStudioChanged, 0, AsLParam(&studio));
    SendStudioSettings(&m_protocol, &studio);
    markChanged();
}

void OperatorActions::sendRenamed(StrobeData& unit, bool light) {
    SendMessage(pane(m_panes.studioList), Msg::ListUnitRenamed, light ? 1 : 0, AsLParam(&unit));
    markChanged();
}

void OperatorActions::tellPanelIfCurrent(const std::vector<StrobeData*>& units) {
    const StrobeData* current = UnitOfNode(m_model.pCurNode);
    if (current != nullptr && std::find(units.begin(), units.end(), current) != units.end())
        SendMessage(pane(m_panes.control), Msg::CtrlCurrentUnit);
}

void OperatorActions::resetGroupPanel() {
    SendMessage(pane(m_panes.control), Msg::CtrlGroupReset);
}

} // namespace lumadesk
