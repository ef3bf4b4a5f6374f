#include "link/ReportAssembler.h"

#include "link/FrameTypes.h"

#include <algorithm>
#include <cstring>

namespace lumadesk {

using namespace lumadesk;

std::uint8_t ReportAssembler::KindOf(std::uint8_t kindByte) {
    const std::uint8_t kind = (kindByte & 0xF0) != 0 ? std::uint8_t(kindByte & 0xF0) : kindByte;
    switch (kind) {
    case kQuietReport00:
    case kStatusReport:
    case kQuietReport02:
    case kSettingReport:
    case kHeatReport:
    case kChargeReport:
        return kind;
    default:
        return kRejected;
    }
}

void ReportAssembler::Feed(const std::uint8_t* bytes, int count) {
    // Same as feeding byte by byte, but body bytes and ignored bytes are taken in runs up to
    // the next 0xFF.
    const std::uint8_t* at = bytes;
    const std::uint8_t* const end = bytes + count;
    while (at < end) {
        if (m_state == StartSeen || m_state == LengthSeen) {
            Feed(*at++);
            continue;
        }
        const bool storing = m_state == InBody && m_kind != kRejected;
        const std::size_t span =
            storing ? std::min<std::size_t>(std::size_t(m_length - m_count), std::size_t(end - at))
                    : std::size_t(end - at);
        const auto* start = static_cast<const std::uint8_t*>(std::memchr(at, kStartByte, span));
        const std::size_t run = start != nullptr ? std::size_t(start - at) : span;
        if (storing && run > 0) {
            std::memcpy(m_buffer.data() + m_count, at, run);
            m_count += int(run);
            if (m_count == m_length) {
                m_state = Idle;
                m_dispatcher.DispatchReport(m_buffer.data(), m_kind);
            }
        }
        at += run;
        if (start != nullptr)
            Feed(*at++);
    }
}

void ReportAssembler::Feed(std::uint8_t byte) {
    if (byte == kStartByte) { // a partly assembled frame is dropped without notice
        // Decoders read past a short frame and must see zeros there; only the bytes the last
        // frame stored can be other than zero.
        std::fill(m_buffer.begin() + 1, m_buffer.begin() + std::max(m_count, 1), std::uint8_t(0));
        m_buffer[0] = byte;
        m_count = 1;
        m_length = 0;
        m_kind = kRejected;
        m_state = StartSeen;
        return;
    }
    switch (m_state) {
    case StartSeen:
        // A frame that could never complete, or would not fit, is dropped here, before it
        // stores a byte past the buffer.
        if (byte < kShortestFrame || byte > kBufferSize) {
            m_state = Idle;
            return;
        }
        m_buffer[std::size_t(m_count++)] = byte;
        m_length = byte;
        m_state = LengthSeen;
        return;
    case LengthSeen:
        m_buffer[std::size_t(m_count++)] = byte;
        m_kind = KindOf(byte);
        m_state = InBody;
        return;
    case InBody:
        if (m_kind == kRejected)
            return;
        m_buffer[std::size_t(m_count++)] = byte;
        if (m_count == m_length) {
            m_state = Idle;
            m_dispatcher.DispatchReport(m_buffer.data(), m_kind);
        }
        return;
    default:
        return; // idle: stray bytes between frames
    }
}

} // namespace lumadesk
