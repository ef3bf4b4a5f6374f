#include "link/ReceivePump.h"

#include "link/ReceiveRing.h"
#include "link/ReportAssembler.h"

int ReceivePump::Drain() {
    if (m_draining) {
        m_again = true;
        return 0;
    }
    m_draining = true;
    int fed = 0;
    do {
        m_again = false;
        for (int n = m_ring.held(); n > 0; --n, ++fed)
            m_assembler.Feed(m_ring.take());
    } while (m_again);
    m_draining = false;
    return fed;
}
