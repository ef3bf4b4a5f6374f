#include "sim/SimEngine.h"

#include <algorithm>

namespace lumadesk::sim {

namespace {

constexpr quint8 kLowestLevel = 11;
constexpr quint8 kHighestLevel = 81;

quint8 clampLevel(quint8 level) {
    return std::clamp(level, kLowestLevel, kHighestLevel);
}

quint8 onOff(quint8 value) {
    return value != 0 ? 1 : 0;
}

// A kind byte the console's assembler refuses (the accepted ones are 0x00-0x02 and the
// 0x1_, 0x3_ and 0x6_ families).
bool isRejectedKind(quint8 kind) {
    if (kind == 0xFF)
        return false;
    if (kind < 0x10)
        return kind > 0x02;
    const quint8 family = kind & 0xF0;
    return family != 0x10 && family != 0x30 && family != 0x60;
}

} // namespace

SimEngine::SimEngine(const SimConfig& config) : m_config(config), m_random(config.seed) {
    for (const HeadSetup& setup : config.heads) {
        Head head;
        head.setup = setup;
        head.deaf =
            std::any_of(config.deafHeads.begin(), config.deafHeads.end(), [&](const HeadSetup& d) {
                return d.group == setup.group && d.channel == setup.channel;
            });
        m_heads.append(head);
    }
}

QList<QByteArray> SimEngine::receive(QByteArrayView bytes, Milliseconds now) {
    const QList<QByteArray> frames = m_cutter.feed(bytes);
    for (const QByteArray& frame : frames)
        handle(frame, now);
    return frames;
}

void SimEngine::handle(const QByteArray& frame, Milliseconds now) {
    const std::optional<Command> command = DecodeCommand(frame);
    if (!command)
        return;
    switch (command->kind) {
    case Command::StudioSelect:
        selectGroup(command->group, now);
        break;
    case Command::UnitCommand:
        unitCommand(*command, now);
        break;
    case Command::UnitSettings:
        unitSettings(*command, now);
        break;
    case Command::StudioLevels:
        studioLevels(*command, now);
        break;
    }
}

void SimEngine::selectGroup(int group, Milliseconds now) {
    m_selected = group;
    for (int i = 0; i < m_heads.size(); ++i) {
        Head& head = m_heads[i];
        if (head.setup.group != group)
            continue;
        const Milliseconds announced = announceDue(now);
        schedule(announced, EventKind::Status, i);
        // The console starts the studio afresh and knows no heat yet; a warm head tells it once
        // it has announced itself.
        head.reportedHeat = 0;
        scheduleHeatCheck(i, now, announced);
    }
}

void SimEngine::unitCommand(const Command& command, Milliseconds now) {
    for (int i = 0; i < m_heads.size(); ++i) {
        Head& head = m_heads[i];
        if (head.deaf || head.setup.group != m_selected ||
            !MaskAddresses(command.mask, head.setup.channel))
            continue;
        HeadSettings& s = head.setup.settings;
        const int channel = head.setup.channel;
        quint8* target = nullptr;
        switch (command.type) {
        case FlashLevel:
        case ModelLevel:
            s.flashLevel = clampLevel(command.p1);
            s.modelLevel = clampLevel(command.p2);
            schedule(echoDue(now), EventKind::Frame, i,
                     SettingReport(command.type, channel, s.flashLevel, s.modelLevel));
            continue;
        case TestFlash:
            fire(i, now);
            continue;
        case ModelMode1:
            target = &s.modelMode1;
            break;
        case ModelMode2:
            target = &s.modelMode2;
            break;
        case Cell:
            target = &s.cell;
            break;
        case Sound:
            target = &s.sound;
            break;
        case ModelPower:
            target = &s.modelPower;
            break;
        case FlashPower:
            target = &s.flashPower;
            break;
        default:
            return;
        }
        *target = onOff(command.p2);
        schedule(echoDue(now), EventKind::Frame, i,
                 SettingReport(command.type, channel, 0x00,
                               *target != 0 ? SwitchBit(command.type) : 0x00));
    }
}

void SimEngine::fire(int index, Milliseconds now) {
    Head& head = m_heads[index];
    if (head.setup.settings.flashPower == 0)
        return; // a head that is off hears nothing
    const int channel = head.setup.channel;
    const Milliseconds due = echoDue(now);
    schedule(due, EventKind::Frame, index, ChargeReport(TestFlash, channel, 0x00));
    if (!head.charged)
        return; // still recharging: heard, but cannot fire
    head.charged = false;
    ++head.flashes;
    schedule(due, EventKind::Frame, index, ChargeReport(kChargeState, channel, 0x00));
    schedule(due + head.setup.settings.flashLevel * m_config.recyclePerLevel, EventKind::Recharged,
             index);
    cool(head, now);
    head.heat = std::min(kMaxHeat, head.heat + heatPerFlash(head.setup.settings.flashLevel));
    scheduleHeatCheck(index, now, due);
}

void SimEngine::unitSettings(const Command& command, Milliseconds now) {
    for (int i = 0; i < m_heads.size(); ++i) {
        Head& head = m_heads[i];
        if (head.deaf || head.setup.group != m_selected ||
            !MaskAddresses(command.mask, head.setup.channel))
            continue;
        const HeadSettings& in = command.settings;
        head.setup.settings =
            HeadSettings{onOff(in.flashPower), clampLevel(in.flashLevel), clampLevel(in.modelLevel),
                         onOff(in.cell),       onOff(in.sound),           onOff(in.modelMode1),
                         onOff(in.modelMode2), onOff(in.modelPower)};
        schedule(echoDue(now), EventKind::Status, i);
    }
}

void SimEngine::studioLevels(const Command& command, Milliseconds now) {
    if (m_selected < 0)
        return;
    std::array<quint8, 2 * kChannelCount> levels{};
    for (Head& head : m_heads) {
        // A deaf head's slot stays 00 00, as an empty one.
        if (head.deaf || head.setup.group != m_selected)
            continue;
        const size_t at = size_t(2 * head.setup.channel);
        const quint8 flash = command.levels[at];
        const quint8 model = command.levels[at + 1];
        HeadSettings& s = head.setup.settings;
        if (flash != 0 && model != 0) {
            s.flashLevel = clampLevel(flash);
            s.modelLevel = clampLevel(model);
        }
        levels[at] = s.flashLevel;
        levels[at + 1] = s.modelLevel;
    }
    schedule(echoDue(now), EventKind::Frame, -1, LevelsReport(command.type, levels));
}

void SimEngine::schedule(Milliseconds due, EventKind kind, int head, QByteArray frame) {
    const int group = head >= 0 ? m_heads[head].setup.group : m_selected;
    m_events.emplace(std::make_pair(due, m_sequence++), Event{kind, head, group, std::move(frame)});
}

Milliseconds SimEngine::announceDue(Milliseconds now) {
    return now +
           Milliseconds(m_random.between(m_config.delayMin.count(), m_config.delayMax.count()));
}

Milliseconds SimEngine::echoDue(Milliseconds now) {
    const Milliseconds delay(
        m_random.between(m_config.delayMin.count() / 10, m_config.delayMax.count() / 10));
    m_echoLane = std::max(now + delay, m_echoLane);
    return m_echoLane;
}

void SimEngine::scheduleHeatCheck(int index, Milliseconds now, Milliseconds notBefore) {
    Head& head = m_heads[index];
    if (head.heatCheckPending || head.setup.group != m_selected ||
        (heatAt(head, now) == 0 && head.reportedHeat == 0))
        return;
    Milliseconds due = notBefore;
    if (head.lastHeatReport)
        due = std::max(due, *head.lastHeatReport + heatInterval());
    head.heatCheckPending = true;
    schedule(due, EventKind::HeatCheck, index);
}

QList<SimEngine::Outgoing> SimEngine::takeDue(Milliseconds now) {
    QList<Outgoing> out;
    while (!m_events.empty() && m_events.begin()->first.first <= now) {
        const auto first = m_events.begin();
        const Milliseconds due = first->first.first;
        const Event event = std::move(first->second);
        m_events.erase(first);
        if (std::optional<QByteArray> frame = run(event, due)) {
            Outgoing item;
            if (m_config.noiseRate > 0 && m_random.unit() < m_config.noiseRate)
                item.noise = noise();
            item.frame = std::move(*frame);
            out.append(std::move(item));
        }
    }
    return out;
}

std::optional<QByteArray> SimEngine::run(const Event& event, Milliseconds due) {
    // Only the selected group is on the air; what its heads queued before the dongle moved on
    // to another group is never heard.
    const bool heard = event.group == m_selected;
    switch (event.kind) {
    case EventKind::Frame:
        return heard ? std::optional(event.frame) : std::nullopt;
    case EventKind::Status: {
        const Head& head = m_heads[event.head];
        if (!heard)
            return std::nullopt;
        return StatusReport(head.setup.channel, head.setup.settings);
    }
    case EventKind::Recharged: {
        Head& head = m_heads[event.head];
        head.charged = true;
        if (head.setup.group != m_selected)
            return std::nullopt;
        return ChargeReport(kChargeState, head.setup.channel, 0x01);
    }
    case EventKind::HeatCheck: {
        Head& head = m_heads[event.head];
        head.heatCheckPending = false;
        if (head.setup.group != m_selected)
            return std::nullopt; // picked up again when the group is selected
        cool(head, due);
        std::optional<QByteArray> report;
        if (head.heat != head.reportedHeat) {
            report = HeatReport(kHeatLevel, head.setup.channel, quint8(head.heat));
            head.reportedHeat = head.heat;
            head.lastHeatReport = due;
        }
        if (head.heat > 0) {
            head.heatCheckPending = true;
            schedule(due + heatInterval(), EventKind::HeatCheck, event.head);
        }
        return report;
    }
    }
    return std::nullopt;
}

Milliseconds SimEngine::heatInterval() const {
    return std::max(m_config.heatInterval, Milliseconds(1));
}

std::optional<Milliseconds> SimEngine::nextDue() const {
    if (m_events.empty())
        return std::nullopt;
    return m_events.begin()->first.first;
}

void SimEngine::unplug() {
    m_cutter.reset();
    m_selected = -1;
    m_echoLane = Milliseconds(0);
    for (auto it = m_events.begin(); it != m_events.end();) {
        if (it->second.kind == EventKind::Recharged) {
            ++it;
            continue;
        }
        if (it->second.kind == EventKind::HeatCheck)
            m_heads[it->second.head].heatCheckPending = false;
        it = m_events.erase(it);
    }
}

QList<HeadState> SimEngine::heads(Milliseconds now) const {
    QList<HeadState> out;
    out.reserve(m_heads.size());
    for (const Head& head : m_heads)
        out.append(HeadState{head.setup.group, head.setup.channel, head.setup.settings,
                             head.charged, heatAt(head, now), head.flashes});
    return out;
}

int SimEngine::heatAt(const Head& head, Milliseconds now) const {
    if (head.heat == 0 || m_config.coolingStep.count() <= 0 || now <= head.heatSince)
        return head.heat;
    const qint64 steps = (now - head.heatSince) / m_config.coolingStep;
    return int(std::max<qint64>(0, head.heat - steps));
}

void SimEngine::cool(Head& head, Milliseconds now) {
    const int heat = heatAt(head, now);
    if (heat == 0 || m_config.coolingStep.count() <= 0) {
        head.heatSince = std::max(head.heatSince, now);
    } else if (now > head.heatSince) {
        head.heatSince += (head.heat - heat) * m_config.coolingStep;
    }
    head.heat = heat;
}

QByteArray SimEngine::noise() {
    QByteArray bytes;
    if (m_random.next() & 1) {
        const qint64 count = m_random.between(1, 8);
        for (qint64 i = 0; i < count; ++i)
            bytes.append(char(m_random.between(0x00, 0xFE)));
        return bytes;
    }
    quint8 kind = 0;
    do {
        kind = quint8(m_random.between(0x00, 0xFE));
    } while (!isRejectedKind(kind));
    const qint64 length = m_random.between(4, 12);
    bytes.append(char(0xFF));
    bytes.append(char(length));
    bytes.append(char(kind));
    while (bytes.size() < length)
        bytes.append(char(m_random.between(0x00, 0xFE)));
    return bytes;
}

} // namespace lumadesk::sim
