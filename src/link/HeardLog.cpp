#include "link/HeardLog.h"

#include <chrono>

namespace lumadesk {

namespace {

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

HeardLog::HeardLog() : m_clock(steadyMs) {
    for (auto& studio : m_last)
        studio.fill(kNever);
    m_check.fill(kNever);
}

bool HeardLog::valid(int studio, int channel) {
    return studio >= 0 && studio < kStudioCount && channel >= 0 && channel < kChannelCount;
}

void HeardLog::heard(int studio, int channel) {
    if (!valid(studio, channel))
        return;
    m_last[std::size_t(studio)][std::size_t(channel)] = now();
    bool& missed = m_missed[std::size_t(studio)][std::size_t(channel)];
    if (missed) {
        missed = false;
        if (m_missedListener)
            m_missedListener(studio, channel);
    }
}

void HeardLog::scanned(int studio) {
    if (!valid(studio, 0))
        return;
    m_last[std::size_t(studio)].fill(kNever);
    m_check[std::size_t(studio)] = kNever;
    m_missed[std::size_t(studio)].fill(false);
}

void HeardLog::startCheck(int studio) {
    if (valid(studio, 0))
        m_check[std::size_t(studio)] = now();
}

std::vector<int> HeardLog::finishCheck(const StudioData& studio) {
    std::vector<int> missedNow;
    const int n = studio.nStudioNum;
    if (!valid(n, 0) || m_check[std::size_t(n)] == kNever)
        return missedNow;
    const qint64 started = m_check[std::size_t(n)];
    m_check[std::size_t(n)] = kNever;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const qint64 last = m_last[std::size_t(n)][std::size_t(channel)];
        if (studio.UnitOn(channel) == nullptr || (last != kNever && last >= started))
            continue;
        missedNow.push_back(channel);
        bool& missed = m_missed[std::size_t(n)][std::size_t(channel)];
        if (!missed) {
            missed = true;
            if (m_missedListener)
                m_missedListener(n, channel);
        }
    }
    return missedNow;
}

bool HeardLog::missedCheck(int studio, int channel) const {
    return valid(studio, channel) && m_missed[std::size_t(studio)][std::size_t(channel)];
}

std::optional<qint64> HeardLog::ageMs(int studio, int channel) const {
    if (!valid(studio, channel))
        return std::nullopt;
    const qint64 last = m_last[std::size_t(studio)][std::size_t(channel)];
    if (last == kNever)
        return std::nullopt;
    return now() - last;
}

QString LastHeardText(std::optional<qint64> ageMs) {
    if (!ageMs)
        return QStringLiteral("not heard since the scan");
    const qint64 seconds = *ageMs / 1000;
    if (seconds >= 120)
        return QStringLiteral("last heard %1 min ago").arg(seconds / 60);
    return QStringLiteral("last heard %1 s ago").arg(seconds);
}

} // namespace lumadesk
