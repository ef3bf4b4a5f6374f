#pragma once

namespace lumadesk {

class ReceiveRing;
class ReportAssembler;

// Moves received bytes from the ring into the assembler, on the GUI thread, once per
// bytes-received notification: it reads the held count once and feeds exactly that many bytes,
// in at most two contiguous spans; bytes that arrive meanwhile wait for their own notification.
class ReceivePump {
public:
    ReceivePump(ReceiveRing& ring, ReportAssembler& assembler)
        : m_ring(ring), m_assembler(assembler) {}

    // The number of bytes fed. A call made while a drain is under way (a nested event loop in
    // a handler of a sent message) feeds nothing itself: the running drain takes those bytes
    // when it is done, so the assembler's frame is never cut by a second feeder.
    int Drain();

private:
    ReceiveRing& m_ring;
    ReportAssembler& m_assembler;
    bool m_draining = false;
    bool m_again = false;
};

} // namespace lumadesk
