#pragma once

#include "sim/SimConfig.h"

#include <QString>
#include <QtGlobal>

namespace lumadesk {

// A simulated dongle whose heads ("A:1-3,B:2") answer within 5-40 ms, so waits stay short.
inline sim::SimConfig quickHeads(const QString& heads) {
    sim::SimConfig config;
    QString error;
    if (!sim::ParseHeads(heads, config.heads, error))
        qFatal("bad heads %s", qPrintable(error));
    config.delayMin = std::chrono::milliseconds(5);
    config.delayMax = std::chrono::milliseconds(40);
    return config;
}

} // namespace lumadesk
