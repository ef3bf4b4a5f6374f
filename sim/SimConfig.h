#pragma once

#include "sim/HeadLayout.h"

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace lumadesk::sim {

using Milliseconds = std::chrono::milliseconds;

// Everything that shapes one simulated dongle and its heads.
struct SimConfig {
    QList<HeadSetup> heads = DefaultHeads();
    // Heads (by group and channel) that announce themselves and report, but ignore every command.
    QList<HeadSetup> deafHeads;
    quint64 seed = 1;

    // Heads announce themselves after a studio select within [delayMin, delayMax]; echoes of
    // commands take a tenth of that.
    Milliseconds delayMin{50};
    Milliseconds delayMax{1500};

    // A heat report goes out when a head's heat changed, at most this often per head.
    Milliseconds heatInterval{2000};
    // A head cools by one heat step this often.
    Milliseconds coolingStep{1000};
    // Recharging after a flash takes this long per flash level (level 81: 81 times this).
    Milliseconds recyclePerLevel{20};

    // Chance (0-1) that stray bytes or a frame of a rejected kind go out before a report.
    double noiseRate = 0.0;

    // The dongle is pulled after cutAfter (from start) and plugged in again replugAfter later.
    std::optional<Milliseconds> cutAfter;
    std::optional<Milliseconds> replugAfter;

    // Kept as a symbolic link to the device end while there is one; empty for none.
    QString linkPath;

    // Called on the simulator's thread, never under its lock: one decoded line per frame in or
    // out and per event, and the new device path after a replug (the first one is devicePath()
    // once start() returned). Either may be empty.
    std::function<void(const QString& line)> log;
    std::function<void(const QString& devicePath)> deviceOpened;
};

} // namespace lumadesk::sim
