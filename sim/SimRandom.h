#pragma once

#include <QtGlobal>

namespace lumadesk::sim {

// A small seeded generator (splitmix64): the same seed gives the same delays and noise on every
// machine, which the standard distributions do not promise.
class SimRandom {
public:
    explicit SimRandom(quint64 seed) : m_state(seed) {}

    quint64 next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high]; low when the range is empty.
    qint64 between(qint64 low, qint64 high) {
        if (high <= low)
            return low;
        return low + qint64(next() % quint64(high - low + 1));
    }

    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    quint64 m_state;
};

} // namespace lumadesk::sim
