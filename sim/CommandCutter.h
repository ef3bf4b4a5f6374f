#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace lumadesk::sim {

// Cuts the console's byte stream into frames the way a head's radio does: a frame starts at
// 0xFF and runs for the length its second byte gives. Only the four lengths a command can have
// (5, 7, 14, 23) are followed; anything else is skipped up to the next 0xFF, as is a frame cut
// short by a new 0xFF. What the frames mean is not decided here.
class CommandCutter {
public:
    // Complete frames found in the bytes, in order. Bytes of an unfinished frame are kept for
    // the next call.
    QList<QByteArray> feed(QByteArrayView bytes);

    // Bytes thrown away so far (stray bytes, unknown lengths, frames cut short).
    qint64 discarded() const { return m_discarded; }

    // Forgets an unfinished frame, as a radio that lost power does.
    void reset();

private:
    enum class State { Idle, Length, Body };
    State m_state = State::Idle;
    QByteArray m_frame;
    qsizetype m_expected = 0;
    qint64 m_discarded = 0;
};

} // namespace lumadesk::sim
