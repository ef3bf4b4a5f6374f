#pragma once

#include "model/StrobeData.h"
#include "model/StudioModel.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace lumadesk {

// When each head of the five studios last reported, in milliseconds of a clock that only goes
// forward, and which heads failed to answer a check of their studio. The link notes every
// decoded event here; a scan of a studio starts it afresh. The clock can be replaced, so tests
// need not wait for real seconds.
class HeardLog {
public:
    using Clock = std::function<qint64()>;

    HeardLog();

    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Told when a head becomes or stops being one that missed a check.
    void setMissedListener(std::function<void(int studio, int channel)> listener) {
        m_missedListener = std::move(listener);
    }
    qint64 now() const { return m_clock(); }

    // Studio 0-4, channel 0-9; anything else is ignored.
    void heard(int studio, int channel);
    void scanned(int studio);

    // Milliseconds since the head's last report; none when it has not reported since the
    // studio's scan.
    std::optional<qint64> ageMs(int studio, int channel) const;

    // A check asks every head of the studio to report: from now on a report counts as its answer.
    void startCheck(int studio);
    // The check's time is up: each head of the studio that has not reported since the check
    // started missed it, until its next report. The heads that missed it, by channel.
    std::vector<int> finishCheck(const StudioData& studio);
    bool missedCheck(int studio, int channel) const;

private:
    static constexpr qint64 kNever = -1;
    static bool valid(int studio, int channel);

    Clock m_clock;
    std::array<std::array<qint64, kChannelCount>, kStudioCount> m_last;
    std::array<qint64, kStudioCount> m_check;
    std::array<std::array<bool, kChannelCount>, kStudioCount> m_missed{};
    std::function<void(int, int)> m_missedListener;
};

// "last heard 3 s ago" (minutes from two on), or "not heard since the scan".
QString LastHeardText(std::optional<qint64> ageMs);

} // namespace lumadesk
