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
    m_scan.fill(kNever);
}

bool HeardLog::valid(int studio, int channel) {
    return studio >= 0 && studio < kStudioCount && channel >= 0 && channel < kChannelCount;
}

void HeardLog::heard(int studio, int channel) {
    if (valid(studio, channel))
        m_last[std::size_t(studio)][std::size_t(channel)] = now();
}

void HeardLog::scanned(int studio) {
    if (!valid(studio, 0))
        return;
    m_last[std::size_t(studio)].fill(kNever);
    m_scan[std::size_t(studio)] = now();
}

std::optional<qint64> HeardLog::ageMs(int studio, int channel) const {
    if (!valid(studio, channel))
        return std::nullopt;
    const qint64 last = m_last[std::size_t(studio)][std::size_t(channel)];
    if (last == kNever)
        return std::nullopt;
    return now() - last;
}

bool HeardLog::isSilent(int studio, int channel) const {
    if (const auto age = ageMs(studio, channel))
        return *age >= kSilentMs;
    if (!valid(studio, channel))
        return false;
    const qint64 scan = m_scan[std::size_t(studio)];
    return scan == kNever || now() - scan >= kSilentMs;
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
