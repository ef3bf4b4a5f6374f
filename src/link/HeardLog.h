#pragma once

#include "model/StrobeData.h"
#include "model/StudioModel.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>
#include <optional>

namespace lumadesk {

// When each head of the five studios last reported, in milliseconds of a clock that only goes
// forward. The link notes every decoded event here; a scan of a studio starts it afresh. The
// clock can be replaced, so tests need not wait for real seconds.
class HeardLog {
public:
    using Clock = std::function<qint64()>;
    static constexpr qint64 kSilentMs = 30000; // a head of the scanned studio this quiet is silent
    static constexpr qint64 kRecentMs = 60000; // "heard in the last minute"

    HeardLog();

    void setClock(Clock clock) { m_clock = std::move(clock); }
    qint64 now() const { return m_clock(); }

    // Studio 0-4, channel 0-9; anything else is ignored.
    void heard(int studio, int channel);
    void scanned(int studio);

    // Milliseconds since the head's last report; none when it has not reported since the
    // studio's scan.
    std::optional<qint64> ageMs(int studio, int channel) const;
    // Not heard for kSilentMs: its last report, or the scan when it has not answered at all.
    bool isSilent(int studio, int channel) const;

private:
    static constexpr qint64 kNever = -1;
    static bool valid(int studio, int channel);

    Clock m_clock;
    std::array<std::array<qint64, kChannelCount>, kStudioCount> m_last;
    std::array<qint64, kStudioCount> m_scan;
};

// "last heard 3 s ago" (minutes from two on), or "not heard since the scan".
QString LastHeardText(std::optional<qint64> ageMs);

} // namespace lumadesk
