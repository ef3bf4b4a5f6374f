#include "link/WriteQueue.h"

#include "link/ChannelMask.h"
#include "link/FrameTypes.h"

namespace lumadesk {

namespace {

using Frame = std::vector<std::uint8_t>;

constexpr std::uint16_t kEveryHead = 0xFFFF;
constexpr std::uint16_t kChannelBits = 0x1F1F;

bool isFrame(const Frame& f, int length) {
    return int(f.size()) == length && f[0] == kStartByte && f[1] == length;
}

bool isUnitCommand(const Frame& f) {
    return isFrame(f, kUnitCommandLength) && (f[2] & 0xF0) == kUnitCommandFrame;
}

// The heads whose values the frame may set, as channel bits. A select re-addresses them all, a
// studio's levels frame reaches them all, and a frame we do not know might do anything.
std::uint16_t headsOf(const Frame& f) {
    if (!isUnitCommand(f) && !(isFrame(f, kUnitSettingsLength) && f[2] == kUnitSettingsFrame))
        return kEveryHead;
    const std::uint16_t mask = std::uint16_t(f[3] << 8 | f[4]);
    const std::uint16_t channels = mask & kChannelBits;
    return (mask & kGroupMask) != 0 || channels == 0 ? kEveryHead : channels;
}

bool isAbsoluteLevel(const Frame& f) {
    if (isUnitCommand(f))
        return ReportType(f[2]) == CMD_FLASH_LEVEL || ReportType(f[2]) == CMD_MODEL_LEVEL;
    return isFrame(f, kStudioLevelsLength) && (f[2] == (kStudioLevelsFrame | LEVELS_FLASH) ||
                                               f[2] == (kStudioLevelsFrame | LEVELS_MODEL));
}

// The same value of the same heads: the same kind of frame, and for a unit the same mask.
bool setsTheSame(const Frame& queued, const Frame& newer) {
    if (queued.size() != newer.size() || queued[2] != newer[2] || !isAbsoluteLevel(queued))
        return false;
    return !isUnitCommand(queued) || (queued[3] == newer[3] && queued[4] == newer[4]);
}

} // namespace

WriteQueue::Put WriteQueue::put(const std::uint8_t* bytes, int count) {
    Frame frame(bytes, bytes + count);
    if (m_backlogged && isAbsoluteLevel(frame)) {
        const std::uint16_t heads = headsOf(frame);
        for (auto queued = m_frames.rbegin(); queued != m_frames.rend(); ++queued) {
            if (setsTheSame(*queued, frame)) {
                *queued = std::move(frame);
                return Put::Replaced;
            }
            if ((headsOf(*queued) & heads) != 0)
                break;
        }
    }
    if (frames() >= kMaxFrames || count > kMaxBytes - m_bytes)
        return Put::Full;
    m_bytes += count;
    m_frames.push_back(std::move(frame));
    return Put::Queued;
}

std::vector<std::uint8_t> WriteQueue::take() {
    if (m_frames.empty())
        return {};
    Frame frame = std::move(m_frames.front());
    m_frames.pop_front();
    m_bytes -= int(frame.size());
    return frame;
}

void WriteQueue::clear() {
    m_frames.clear();
    m_bytes = 0;
    m_backlogged = false;
}

bool WriteQueue::hasRoomFor(int frames, int longest) const {
    return this->frames() + frames <= kMaxFrames && m_bytes + frames * longest <= kMaxBytes;
}

} // namespace lumadesk
