#pragma once

#include <QtGlobal>

namespace lumadesk {

struct StrobeData;

// Decoded radio events, one call per addressed channel. Each returns 1.
class CZbEventHandler {
public:
    virtual ~CZbEventHandler() = default;

    // A head's full settings; `status` holds them (and its channel), `reserved` is always 0.
    virtual int OnStatus(int channel, const StrobeData* status, int reserved) = 0;
    // Echo of a unit command: the 16-bit value of bytes 5-6. For the studio levels echoes
    // (types 14 and 15) channel is 0 and value is the address of the whole frame.
    virtual int OnSettingReport(int type, int channel, qintptr value) = 0;
    virtual int OnChargeReport(int type, int channel, int value) = 0;
    virtual int OnHeatReport(int type, int channel, int value) = 0;
};

} // namespace lumadesk
