#include "link/TrafficLog.h"

#include "link/FrameTypes.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>

namespace lumadesk {

TrafficLog::TrafficLog() : m_slots(kCapacity) {}

void TrafficLog::record(TrafficDirection direction, const std::uint8_t* bytes, int count) {
    if (m_paused || bytes == nullptr || count <= 0)
        return;
    // Frames carry no studio: it is the group the last studio select addressed.
    if (direction != TrafficDirection::Received && count == kStudioSelectLength &&
        bytes[2] == kStudioSelectFrame)
        m_studio = std::int8_t(std::clamp(bytes[4] - kFirstStudioLetter, -1, 25));
    TrafficFrame& slot = m_slots[m_next % kCapacity];
    slot.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    slot.direction = direction;
    slot.studio = m_studio;
    slot.length = std::uint8_t(std::min(count, TrafficFrame::kMaxBytes));
    std::memcpy(slot.bytes.data(), bytes, slot.length);
    ++m_next;
    if (m_next - m_first > quint64(kCapacity))
        m_first = m_next - kCapacity;
}

} // namespace lumadesk
