#pragma once

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <vector>

namespace lumadesk {

enum class TrafficDirection : std::uint8_t { Received, Sent, NotSent };

// One frame as it went over the line, kept raw: the words are made only when someone reads it.
struct TrafficFrame {
    static constexpr int kMaxBytes = 50; // the longest report the assembler takes

    qint64 msecsSinceEpoch = 0;
    TrafficDirection direction = TrafficDirection::Received;
    std::int8_t studio = -1; // the studio the last studio select named, -1 before any
    std::uint8_t length = 0;
    std::array<std::uint8_t, kMaxBytes> bytes{};
};

// The last kCapacity frames both ways, oldest dropped first. Recording is a copy into a slot
// allocated up front, so keeping it costs next to nothing while nobody looks. Frames are
// numbered from 0 for the whole run; a reader asks which numbers are still held. GUI thread
// only: the link records on the owner's side of the receive ring.
class TrafficLog {
public:
    static constexpr int kCapacity = 10000;

    TrafficLog();

    void record(TrafficDirection direction, const std::uint8_t* bytes, int count);

    // Paused, frames are not recorded.
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }
    // Forgets every frame held; numbering goes on.
    void clear() { m_first = m_next; }

    // Frames [first(), end()) are held.
    quint64 first() const { return m_first; }
    quint64 end() const { return m_next; }
    const TrafficFrame& at(quint64 number) const { return m_slots[number % kCapacity]; }

private:
    std::vector<TrafficFrame> m_slots;
    quint64 m_first = 0;
    quint64 m_next = 0;
    std::int8_t m_studio = -1;
    bool m_paused = false;
};

} // namespace lumadesk
