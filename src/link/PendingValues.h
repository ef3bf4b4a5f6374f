#pragma once

#include "link/CZbEventHandler.h"
#include "model/Confirmation.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumadesk {

struct StrobeData;
struct StudioData;
struct StudioModel;
struct UnitSetting;

// What became of a frame: the port took it, dropped it because the link is down, or refused it
// because it would not take more.
enum class Delivery { Sent, LinkDown, Refused };

// The book of values sent to heads and not yet reported back. The protocol object notes every
// frame it writes; the link hands it every decoded report before the event handler applies it.
// A value is pending until a report from its head carries it, unconfirmed once its time-out has
// passed without one, and confirmed again by any later report that carries it; sending again
// starts over. A value whose frame never left is not sent until it is sent again (or a report
// carries it anyway), and no time runs for it. Keyed by studio, channel and setting, so it never
// follows a record pointer. It reads time only through the clock it is given and arms nothing
// itself: the owner calls expire() when told to wake.
class PendingValues : public CZbEventHandler {
public:
    // A value whose frame never left, as the book holds it.
    struct Unsent {
        int studio = 0;
        int channel = 0;
        const UnitSetting* setting = nullptr;
        int value = 0;
    };

    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kDefaultTimeout{1500};

    // Reports are taken for the model's addressed studio, as the event handler takes them.
    explicit PendingValues(const StudioModel& model, Clock clock = {});

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // Told of every change of a value's state, with the head's studio and channel (-1, -1
    // when everything was forgotten).
    void setListener(std::function<void(int studio, int channel)> listener) {
        m_listener = std::move(listener);
    }
    // Told when a value becomes pending and so a deadline lies this far ahead.
    void setWake(std::function<void(std::chrono::milliseconds)> wake) { m_wake = std::move(wake); }

    // What went out, as the senders wrote it (a mask of 0 is the unit's own channel): exactly
    // the values each frame sets for each head it addresses.
    void noteUnitCommand(std::uint16_t mask, const StrobeData& unit, int type,
                         Delivery delivery = Delivery::Sent);
    void noteUnitSettings(std::uint16_t mask, const StrobeData& unit,
                          Delivery delivery = Delivery::Sent);
    void noteStudioLevels(int type, const StudioData& studio, Delivery delivery = Delivery::Sent);

    int OnStatus(int channel, const StrobeData* status, int reserved) override;
    int OnSettingReport(int type, int channel, qintptr value) override;
    int OnChargeReport(int type, int channel, int value) override;
    int OnHeatReport(int type, int channel, int value) override;

    // Marks every value whose time has come as unconfirmed. The time until the next deadline,
    // nothing when no value is pending.
    std::optional<std::chrono::milliseconds> expire();

    Confirmation stateOf(int studio, int channel, const UnitSetting& setting) const;
    // The unit's own studio and channel; Confirmed for a record outside the five studios.
    Confirmation stateOf(const StrobeData& unit, int StrobeData::*member) const;
    // The head as a whole: the most concerning state of its values.
    Confirmation headState(const StrobeData& unit) const;
    int pendingCount() const;
    int unconfirmedCount() const;
    int unsentCount() const;
    // A value of the head went unconfirmed and the head has reported nothing since: any report
    // of it, whatever it carries, shows it is there.
    bool isSilent(int studio, int channel) const;
    // "flash 6.5", "model 5.0", "test flash": the head's values in that state, in the settings
    // table's order.
    QStringList valuesIn(int studio, int channel, Confirmation state) const;
    // What was not sent, in studio and channel order, to be sent again.
    std::vector<Unsent> unsent() const;

    // "CH-03 of Studio A did not confirm flash 4.5" for the head that went unconfirmed last,
    // with how many more heads did the same; empty when every value is confirmed or pending.
    QString unconfirmedText() const;
    // "not sent: CH-02 flash 6.5" for the first head with a value whose frame never left, with
    // how many more heads have one; empty when every frame left.
    QString unsentText() const;
    // In words, for tips and screen readers: "flash 6.5 sent, CH-02 has not confirmed it" (or
    // "..., waiting for CH-02 to confirm it" while pending, "flash 6.5 not sent: link down"
    // when its frame never left); empty once confirmed.
    QString noteOf(const StrobeData& unit, const UnitSetting& setting) const;
    // Every value of the head that is not confirmed, in the settings table's order.
    QStringList notesOf(const StrobeData& unit) const;
    // Heads of the studio holding an unconfirmed value, by channel.
    std::vector<int> unconfirmedChannels(int studio) const;

    // Drops every entry: a scan empties the studio and the dongle addresses only its group.
    void forget();

private:
    struct Entry {
        Confirmation state = Confirmation::Confirmed;
        int value = 0; // what was sent last
        std::chrono::steady_clock::time_point deadline;
        std::uint64_t order = 0; // when it went unconfirmed, for the newest first
        bool refused = false;    // not sent because the port would not take it, not the link
    };

    Entry* entry(int studio, int channel, const UnitSetting& setting);
    const Entry* entry(int studio, int channel, const UnitSetting& setting) const;
    int addressedStudio() const;
    void sent(int studio, int channel, const UnitSetting& setting, int value, Delivery delivery);
    void heard(int studio, int channel, const UnitSetting& setting, int value);
    // Any report of the head: it is not silent.
    void reported(int studio, int channel);
    void changed(int studio, int channel);
    QString valueText(const UnitSetting& setting, const Entry& e) const;

    const StudioModel& m_model;
    Clock m_clock;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    std::function<void(int, int)> m_listener;
    std::function<void(std::chrono::milliseconds)> m_wake;
    std::vector<Entry> m_entries;
    std::vector<bool> m_silent; // per head: a value went unconfirmed, no report since
    std::uint64_t m_sequence = 0;
    int m_open = 0; // entries not confirmed, so a report for a settled studio costs little
};

} // namespace lumadesk
