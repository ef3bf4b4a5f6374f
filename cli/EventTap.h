#pragma once

#include "link/CZbEventHandler.h"
#include "model/StrobeData.h"

#include <array>
#include <functional>
#include <utility>

namespace lumadesk::cli {

// One decoded radio event, copied out of the decoder's buffers so that it outlives the call.
struct RadioEvent {
    enum Kind { Status, Setting, Charge, Heat, Levels };
    Kind kind = Status;
    int type = 0;    // low nibble of the kind byte; 1 for a status report
    int channel = 0; // 0..9 (0 for levels)
    int value = 0;   // setting: the 16-bit value; charge, heat: the value byte

    // Status: the eight values the report carries, under the record's names.
    struct Settings {
        int nFlashValue = 0, bFlashCell = 0, bFlashSnd = 0, bFlashPow = 0;
        int nModelValue = 0, nModelMode1 = 0, nModelMode2 = 0, bModelPow = 0;
    } status;
    // Levels (setting types 14 and 15): (flash, model) for channels 0..9.
    std::array<std::pair<int, int>, kChannelCount> levels{};
};

// The link's event tap for the tool: hands every decoded event to the listener just before the
// console's event handler applies it. The tool sees what the decoders made of the frames, so
// nothing is decoded twice.
class EventTap : public CZbEventHandler {
public:
    using Listener = std::function<void(const RadioEvent&)>;

    void setListener(Listener listener) { m_listener = std::move(listener); }

    int OnStatus(int channel, const StrobeData* status, int reserved) override;
    int OnSettingReport(int type, int channel, qintptr value) override;
    int OnChargeReport(int type, int channel, int value) override;
    int OnHeatReport(int type, int channel, int value) override;

private:
    void tell(const RadioEvent& event) const {
        if (m_listener)
            m_listener(event);
    }

    Listener m_listener;
};

} // namespace lumadesk::cli
