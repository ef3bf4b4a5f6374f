#include "link/PendingValues.h"

#include "link/ChannelMask.h"
#include "link/LevelsFrame.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"

#include <QStringList>
#include <algorithm>

namespace lumadesk {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// How many values of one head the status line names before it counts the rest.
constexpr int kNamedValues = 3;

int indexOf(const UnitSetting& setting) {
    return int(&setting - UnitSettings().data());
}

int settingCount() {
    return int(UnitSettings().size());
}

// A switch is on for any non-zero byte, as the event handler reads it.
int valueOf(const UnitSetting& setting, int raw) {
    return setting.kind == SettingKind::Switch ? (raw != 0 ? 1 : 0) : raw;
}

// What a frame carries for a record's value: the builders keep a level in its range.
int sentValue(const UnitSetting& setting, int raw) {
    return setting.kind == SettingKind::Level ? std::clamp(raw, kLowestLevel, kHighestLevel)
                                              : valueOf(setting, raw);
}

int studioNumberOf(const StrobeData& unit) {
    // A placed record's parent is its studio.
    const auto* studio = static_cast<const StudioData*>(unit.pParent);
    return studio != nullptr ? studio->nStudioNum : -1;
}

template <typename F> void forEachAddressed(std::uint16_t mask, const StrobeData& unit, F f) {
    if (mask == 0) {
        f(unit.nChNum);
        return;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & MaskFromChannel(channel))
            f(channel);
    }
}

} // namespace

PendingValues::PendingValues(const StudioModel& model, Clock clock)
    : m_model(model), m_clock(clock ? std::move(clock) : Clock(&steady_clock::now)),
      m_entries(std::size_t(kStudioCount * kChannelCount * settingCount())),
      m_silent(std::size_t(kStudioCount * kChannelCount), false) {}

PendingValues::Entry* PendingValues::entry(int studio, int channel, const UnitSetting& setting) {
    return const_cast<Entry*>(std::as_const(*this).entry(studio, channel, setting));
}

const PendingValues::Entry* PendingValues::entry(int studio, int channel,
                                                 const UnitSetting& setting) const {
    if (studio < 0 || studio >= kStudioCount || channel < 0 || channel >= kChannelCount)
        return nullptr;
    return &m_entries[std::size_t((studio * kChannelCount + channel) * settingCount() +
                                  indexOf(setting))];
}

int PendingValues::addressedStudio() const {
    const StudioData* studio = m_model.pAddressedStudio;
    return studio != nullptr ? studio->nStudioNum : -1;
}

void PendingValues::changed(int studio, int channel) {
    // The faces redraw the cue; nothing stored changed.
    if (const StudioData* owner = m_model.StudioByNumber(studio))
        if (const StrobeData* unit = owner->UnitOn(channel))
            m_model.news.tellHeadChanged(*unit, kCueMask);
    if (m_listener)
        m_listener(studio, channel);
}

void PendingValues::sent(int studio, int channel, const UnitSetting& setting, int value,
                         Delivery delivery) {
    Entry* e = entry(studio, channel, setting);
    if (e == nullptr)
        return;
    if (e->state == Confirmation::Confirmed)
        ++m_open;
    e->value = value;
    e->refused = delivery == Delivery::Refused;
    if (delivery != Delivery::Sent) {
        // Nothing is under way, so no time runs: it waits to be sent again.
        e->state = Confirmation::NotSent;
        changed(studio, channel);
        return;
    }
    e->state = Confirmation::Pending;
    e->deadline = m_clock() + m_timeout;
    if (m_wake)
        m_wake(m_timeout);
    changed(studio, channel);
}

void PendingValues::heard(int studio, int channel, const UnitSetting& setting, int value) {
    Entry* e = entry(studio, channel, setting);
    if (e == nullptr)
        return;
    if (e->state == Confirmation::Confirmed || e->value != value)
        return;
    e->state = Confirmation::Confirmed;
    --m_open;
    changed(studio, channel);
}

void PendingValues::reported(int studio, int channel) {
    if (studio < 0 || studio >= kStudioCount || channel < 0 || channel >= kChannelCount)
        return;
    const std::size_t head = std::size_t(studio * kChannelCount + channel);
    if (!m_silent[head])
        return;
    m_silent[head] = false;
    changed(studio, channel);
}

void PendingValues::noteUnitCommand(std::uint16_t mask, const StrobeData& unit, int type,
                                    Delivery delivery) {
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr)
        return;
    const int studio = studioNumberOf(unit);
    forEachAddressed(mask, unit, [&](int channel) {
        if (setting->member == nullptr) {
            sent(studio, channel, *setting, 0, delivery);
            return;
        }
        sent(studio, channel, *setting, sentValue(*setting, unit.*setting->member), delivery);
        if (setting->kind != SettingKind::Level)
            return;
        // A level command carries both levels, and the head takes both.
        for (const UnitSetting& other : UnitSettings()) {
            if (&other != setting && other.kind == SettingKind::Level)
                sent(studio, channel, other, sentValue(other, unit.*other.member), delivery);
        }
    });
}

void PendingValues::noteUnitSettings(std::uint16_t mask, const StrobeData& unit,
                                     Delivery delivery) {
    const int studio = studioNumberOf(unit);
    forEachAddressed(mask, unit, [&](int channel) {
        for (const UnitSetting& setting : UnitSettings()) {
            if (setting.member != nullptr)
                sent(studio, channel, setting, sentValue(setting, unit.*setting.member), delivery);
        }
    });
}

void PendingValues::noteStudioLevels(int type, const StudioData& studio, Delivery delivery) {
    if (type != LEVELS_FLASH && type != LEVELS_MODEL)
        return;
    // The frame sets both levels of every head it has a slot for, ticked or not.
    for (const UnitSetting& level : UnitSettings()) {
        if (level.kind != SettingKind::Level || level.member == nullptr)
            continue;
        for (int channel = 0; channel < kChannelCount; ++channel) {
            if (const StrobeData* unit = studio.UnitOn(channel))
                sent(studio.nStudioNum, channel, level, sentValue(level, unit->*level.member),
                     delivery);
        }
    }
}

int PendingValues::OnStatus(int channel, const StrobeData* status, int) {
    const int studio = addressedStudio();
    if (status == nullptr || studio < 0)
        return 1;
    for (const UnitSetting& setting : UnitSettings()) {
        if (setting.member != nullptr)
            heard(studio, channel, setting, valueOf(setting, status->*setting.member));
    }
    reported(studio, channel);
    return 1;
}

int PendingValues::OnSettingReport(int type, int channel, qintptr value) {
    const int studio = addressedStudio();
    if (studio < 0)
        return 1;
    if (type == LEVELS_FLASH || type == LEVELS_MODEL) {
        const LevelsFrame heads = ReadLevelsFrame(reinterpret_cast<const std::uint8_t*>(value));
        const UnitSetting* flash = SettingOfMember(&StrobeData::nFlashValue);
        const UnitSetting* model = SettingOfMember(&StrobeData::nModelValue);
        for (int i = 0; i < kChannelCount; ++i) {
            if (const std::optional<LevelPair>& pair = heads[std::size_t(i)]) {
                heard(studio, i, *flash, pair->flash);
                heard(studio, i, *model, pair->model);
                reported(studio, i);
            }
        }
        return 1;
    }
    reported(studio, channel);
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr || setting->member == nullptr)
        return 1;
    if (setting->kind == SettingKind::Switch) {
        heard(studio, channel, *setting, EchoedByte(*setting, value) != 0 ? 1 : 0);
        return 1;
    }
    // The handler stores nothing when the named level is out of range.
    if (!IsValidLevel(EchoedByte(*setting, value)))
        return 1;
    for (const UnitSetting& level : UnitSettings()) {
        if (level.kind == SettingKind::Level && IsValidLevel(EchoedByte(level, value)))
            heard(studio, channel, level, EchoedByte(level, value));
    }
    return 1;
}

int PendingValues::OnChargeReport(int type, int channel, int) {
    if (type == kTestEchoType) {
        if (const UnitSetting* test = SettingOfCommand(CMD_TEST_FLASH))
            heard(addressedStudio(), channel, *test, 0);
    }
    reported(addressedStudio(), channel);
    return 1;
}

int PendingValues::OnHeatReport(int, int channel, int) {
    reported(addressedStudio(), channel);
    return 1;
}

std::optional<milliseconds> PendingValues::expire() {
    if (m_open == 0)
        return std::nullopt;
    const steady_clock::time_point now = m_clock();
    std::optional<steady_clock::time_point> next;
    const int perHead = settingCount();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (e.state != Confirmation::Pending)
            continue;
        if (e.deadline > now) {
            next = next ? std::min(*next, e.deadline) : e.deadline;
            continue;
        }
        e.state = Confirmation::Unconfirmed;
        e.order = ++m_sequence;
        const int head = int(i) / perHead;
        m_silent[std::size_t(head)] = true;
        changed(head / kChannelCount, head % kChannelCount);
    }
    if (!next)
        return std::nullopt;
    return std::chrono::ceil<milliseconds>(*next - now);
}

Confirmation PendingValues::stateOf(int studio, int channel, const UnitSetting& setting) const {
    const Entry* e = entry(studio, channel, setting);
    return e != nullptr ? e->state : Confirmation::Confirmed;
}

Confirmation PendingValues::stateOf(const StrobeData& unit, int StrobeData::*member) const {
    const UnitSetting* setting = SettingOfMember(member);
    return setting != nullptr ? stateOf(studioNumberOf(unit), unit.nChNum, *setting)
                              : Confirmation::Confirmed;
}

Confirmation PendingValues::headState(const StrobeData& unit) const {
    if (m_open == 0)
        return Confirmation::Confirmed;
    Confirmation worst = Confirmation::Confirmed;
    for (const UnitSetting& setting : UnitSettings())
        worst = std::max(worst, stateOf(studioNumberOf(unit), unit.nChNum, setting));
    return worst;
}

int PendingValues::pendingCount() const {
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry& e) { return e.state == Confirmation::Pending; }));
}

int PendingValues::unconfirmedCount() const {
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry& e) { return e.state == Confirmation::Unconfirmed; }));
}

int PendingValues::unsentCount() const {
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry& e) { return e.state == Confirmation::NotSent; }));
}

bool PendingValues::isSilent(int studio, int channel) const {
    if (studio < 0 || studio >= kStudioCount || channel < 0 || channel >= kChannelCount ||
        !m_silent[std::size_t(studio * kChannelCount + channel)])
        return false;
    // A value sent again since is under way: the head has not failed it yet.
    for (const UnitSetting& setting : UnitSettings()) {
        if (stateOf(studio, channel, setting) == Confirmation::Unconfirmed)
            return true;
    }
    return false;
}

QString PendingValues::valueText(const UnitSetting& setting, const Entry& e) const {
    return setting.member != nullptr ? SettingText(setting, e.value) : QLatin1String(setting.name);
}

QStringList PendingValues::valuesIn(int studio, int channel, Confirmation state) const {
    QStringList values;
    if (m_open == 0)
        return values;
    for (const UnitSetting& setting : UnitSettings()) {
        const Entry* e = entry(studio, channel, setting);
        if (e != nullptr && e->state == state)
            values << valueText(setting, *e);
    }
    return values;
}

std::vector<PendingValues::Unsent> PendingValues::unsent() const {
    std::vector<Unsent> out;
    if (m_open == 0)
        return out;
    const auto settings = UnitSettings();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].state != Confirmation::NotSent)
            continue;
        const int head = int(i) / settingCount();
        out.push_back({head / kChannelCount, head % kChannelCount,
                       &settings[i % std::size_t(settingCount())], m_entries[i].value});
    }
    return out;
}

QString PendingValues::unsentText() const {
    const std::vector<Unsent> values = unsent();
    if (values.empty())
        return {};
    const int studio = values.front().studio;
    const int channel = values.front().channel;
    int otherHeads = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        const Unsent& previous = values[i - 1];
        otherHeads += values[i].studio != previous.studio || values[i].channel != previous.channel;
    }
    QStringList named = valuesIn(studio, channel, Confirmation::NotSent);
    const int more = int(named.size()) - kNamedValues;
    if (more > 0)
        named = named.mid(0, kNamedValues);
    const StudioData* studioData = m_model.StudioByNumber(studio);
    const StrobeData* unit = studioData != nullptr ? studioData->UnitOn(channel) : nullptr;
    QString text = QStringLiteral("not sent: %1 %2")
                       .arg(unit != nullptr ? unit->sChName : ChannelLabel(channel),
                            named.join(QStringLiteral(", ")));
    if (more > 0)
        text += QStringLiteral(" and %1 more").arg(more);
    if (otherHeads > 0)
        text += QStringLiteral(" (and %1 more %2)")
                    .arg(otherHeads)
                    .arg(otherHeads == 1 ? QStringLiteral("head") : QStringLiteral("heads"));
    return text;
}

QString PendingValues::noteOf(const StrobeData& unit, const UnitSetting& setting) const {
    const int studio = studioNumberOf(unit);
    const Entry* e = entry(studio, unit.nChNum, setting);
    if (e == nullptr || e->state == Confirmation::Confirmed)
        return {};
    const QString value = valueText(setting, *e);
    switch (e->state) {
    case Confirmation::Pending:
        return QStringLiteral("%1 sent, waiting for %2 to confirm it").arg(value, unit.sChName);
    case Confirmation::Unconfirmed:
        return QStringLiteral("%1 sent, %2 has not confirmed it").arg(value, unit.sChName);
    case Confirmation::NotSent:
        return e->refused
                   ? QStringLiteral("%1 not sent: the radio is not taking commands").arg(value)
                   : QStringLiteral("%1 not sent: link down").arg(value);
    case Confirmation::Confirmed:
        break;
    }
    return {};
}

QStringList PendingValues::notesOf(const StrobeData& unit) const {
    QStringList notes;
    if (m_open == 0)
        return notes;
    for (const UnitSetting& setting : UnitSettings()) {
        const QString note = noteOf(unit, setting);
        if (!note.isEmpty())
            notes << note;
    }
    return notes;
}

std::vector<int> PendingValues::unconfirmedChannels(int studio) const {
    std::vector<int> channels;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        for (const UnitSetting& setting : UnitSettings()) {
            if (stateOf(studio, channel, setting) == Confirmation::Unconfirmed) {
                channels.push_back(channel);
                break;
            }
        }
    }
    return channels;
}

QString PendingValues::unconfirmedText() const {
    // The head whose value went unconfirmed last.
    const Entry* newest = nullptr;
    std::size_t at = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.state == Confirmation::Unconfirmed &&
            (newest == nullptr || e.order > newest->order)) {
            newest = &e;
            at = i;
        }
    }
    if (newest == nullptr)
        return {};
    const int head = int(at) / settingCount();
    const int studio = head / kChannelCount;
    const int channel = head % kChannelCount;

    QStringList values;
    int more = 0;
    for (const UnitSetting& setting : UnitSettings()) {
        const Entry* e = entry(studio, channel, setting);
        if (e->state != Confirmation::Unconfirmed)
            continue;
        if (values.size() == kNamedValues) {
            ++more;
            continue;
        }
        values.append(setting.member != nullptr ? SettingText(setting, e->value)
                                                : QLatin1String(setting.name));
    }
    const StudioData* studioData = m_model.StudioByNumber(studio);
    const StrobeData* unit = studioData != nullptr ? studioData->UnitOn(channel) : nullptr;
    QString text = QStringLiteral("%1 of %2 did not confirm %3")
                       .arg(unit != nullptr ? unit->sChName : ChannelLabel(channel),
                            studioData != nullptr ? studioData->sStudioName : QString(),
                            values.join(QStringLiteral(", ")));
    if (more > 0)
        text += QStringLiteral(" and %1 more").arg(more);

    int otherHeads = 0;
    for (int s = 0; s < kStudioCount; ++s) {
        for (int c : unconfirmedChannels(s))
            otherHeads += s != studio || c != channel ? 1 : 0;
    }
    if (otherHeads > 0)
        text += QStringLiteral(" (and %1 more %2)")
                    .arg(otherHeads)
                    .arg(otherHeads == 1 ? QStringLiteral("head") : QStringLiteral("heads"));
    return text;
}

void PendingValues::forget() {
    const bool any = m_open > 0;
    std::fill(m_entries.begin(), m_entries.end(), Entry{});
    std::fill(m_silent.begin(), m_silent.end(), false);
    m_open = 0;
    if (any)
        changed(-1, -1);
}

} // namespace lumadesk
