#include "sim/CommandCutter.h"

namespace lumadesk::sim {

namespace {

constexpr char kStart = char(0xFF);

bool isCommandLength(int length) {
    return length == 5 || length == 7 || length == 14 || length == 23;
}

} // namespace

QList<QByteArray> CommandCutter::feed(QByteArrayView bytes) {
    QList<QByteArray> frames;
    for (const char byte : bytes) {
        if (byte == kStart) {
            // No command carries 0xFF inside, so it always means a new frame.
            m_discarded += m_frame.size();
            m_frame = QByteArray(1, kStart);
            m_state = State::Length;
            continue;
        }
        switch (m_state) {
        case State::Idle:
            ++m_discarded;
            break;
        case State::Length:
            if (isCommandLength(quint8(byte))) {
                m_frame.append(byte);
                m_expected = quint8(byte);
                m_state = State::Body;
            } else {
                m_discarded += m_frame.size() + 1;
                m_frame.clear();
                m_state = State::Idle;
            }
            break;
        case State::Body:
            m_frame.append(byte);
            if (m_frame.size() == m_expected) {
                frames.append(m_frame);
                m_frame.clear();
                m_state = State::Idle;
            }
            break;
        }
    }
    return frames;
}

void CommandCutter::reset() {
    m_discarded += m_frame.size();
    m_frame.clear();
    m_state = State::Idle;
}

} // namespace lumadesk::sim
