#pragma once

#include "model/Node.h"

#include <QString>
#include <cstdint>

namespace lumadesk {

// The record of one flash head. The settings block runs from nFlashValue to bModelPow;
// bChSelect and nHeatLevel are run-time state and never stored.
struct StrobeData : NodeHeader {
    StrobeData();
    StrobeData(const StrobeData&) = delete; // the light node points back at its own record
    StrobeData& operator=(const StrobeData&) = delete;

    // Unique for the run and never reused, unlike the record's address: a posted message
    // carries it so that a later record at a freed address is not taken for this one.
    const std::uint64_t serial;

    int nChNum = 0;
    QString sChName;
    QString sModelName = QStringLiteral("Not define");
    int nFlashValue = 0;
    int bFlashCell = 0;
    int bFlashSnd = 0;
    int bFlashCharge = 1;
    int bFlashPow = 1;
    int nModelValue = 0;
    int nModelMode1 = 0;
    int nModelMode2 = 0;
    int bModelPow = 1;
    int bChSelect = 0;
    int nHeatLevel = 0;
    NodeHeader lightNode;
    QString sLightName = QStringLiteral("Not define");
    // A HeadRole (model/HeadRole.h): kept with the names, never sent to the head.
    int nRole = 0;

    // What a head or light is called until someone names it.
    static QString unnamedText() { return QStringLiteral("Not define"); }
};

inline constexpr int kChannelCount = 10;

// "CH-01".."CH-10" for slots 0..9; empty for anything else.
QString ChannelLabel(int channel);

// Copies the nine values from nFlashValue to bModelPow.
void CopySettingsBlock(StrobeData& destination, const StrobeData& source);

} // namespace lumadesk
