#pragma once

#include <array>
#include <cstdint>

namespace lumadesk {

// Receives every completed report frame with its kind (0x00, 0x01, 0x02, 0x10, 0x30, 0x60).
class ReportDispatcher {
public:
    virtual ~ReportDispatcher() = default;
    virtual int DispatchReport(const std::uint8_t* frame, int kind) = 0;
};

// Cuts received bytes into report frames: a frame starts at 0xFF (which can never occur inside
// one) and ends when as many bytes as its length byte says are stored. Pure: bytes in,
// DispatchReport out. State survives between bursts, so a frame may arrive in pieces.
class ReportAssembler {
public:
    static constexpr int kBufferSize = 50;
    static constexpr std::uint8_t kRejected = 0xFF;

    enum State : int { Idle = 0, StartSeen = 1, LengthSeen = 2, InBody = 3 };

    explicit ReportAssembler(ReportDispatcher& dispatcher) : m_dispatcher(dispatcher) {}

    void Feed(std::uint8_t byte);
    void Feed(const std::uint8_t* bytes, int count);

    int state() const { return m_state; }
    std::uint8_t kind() const { return m_kind; }
    int declaredLength() const { return m_length; }
    int storedCount() const { return m_count; }

    // 0x00, 0x01 and 0x02 are taken whole; 0x1t, 0x3t and 0x6t by their high nibble; anything
    // else rejects the frame.
    static std::uint8_t KindOf(std::uint8_t kindByte);

private:
    ReportDispatcher& m_dispatcher;
    int m_state = Idle;
    std::uint8_t m_kind = kRejected;
    int m_length = 0;
    int m_count = 0;
    std::array<std::uint8_t, kBufferSize> m_buffer{};
};

} // namespace lumadesk
