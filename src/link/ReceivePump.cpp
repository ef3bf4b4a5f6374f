#include "link/ReceivePump.h"

#include "link/ReceiveRing.h"
#include "link/ReportAssembler.h"

namespace lumadesk {

int ReceivePump::Drain() {
    if (m_draining) {
        m_again = true;
        return 0;
    }
    m_draining = true;
    int fed = 0;
    do {
        m_again = false;
        m_ring.acknowledge();
        // Span by span: the assembler reads the ring's own bytes, and each span costs one store
        // of the read index, made after the span is fed so the reader cannot overwrite it.
        for (int n = m_ring.held(); n > 0;) {
            const std::span<const std::uint8_t> span = m_ring.readable(n);
            m_assembler.Feed(span.data(), int(span.size()));
            m_ring.consume(int(span.size()));
            n -= int(span.size());
            fed += int(span.size());
        }
    } while (m_again);
    m_draining = false;
    return fed;
}

} // namespace lumadesk
