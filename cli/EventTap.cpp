#include "cli/EventTap.h"

#include "link/FrameTypes.h"
#include "link/LevelsFrame.h"
#include "model/StrobeData.h"

#include <cstdint>

namespace lumadesk::cli {

int EventTap::OnStatus(int channel, const StrobeData* status, int) {
    if (status != nullptr) {
        RadioEvent event;
        event.kind = RadioEvent::Status;
        event.type = lumadesk::kStatusType;
        event.channel = channel;
        event.status = {status->nFlashValue, status->bFlashCell,  status->bFlashSnd,
                        status->bFlashPow,   status->nModelValue, status->nModelMode1,
                        status->nModelMode2, status->bModelPow};
        tell(event);
    }
    return 1;
}

int EventTap::OnSettingReport(int type, int channel, qintptr value) {
    RadioEvent event;
    event.type = type;
    event.channel = channel;
    if (type == LEVELS_FLASH || type == LEVELS_MODEL) {
        // The value is the frame itself, valid only during this call. A slot without a head
        // stays (0, 0), as on the wire.
        const LevelsFrame heads = ReadLevelsFrame(reinterpret_cast<const std::uint8_t*>(value));
        event.kind = RadioEvent::Levels;
        for (std::size_t i = 0; i < event.levels.size(); ++i) {
            if (heads[i])
                event.levels[i] = {heads[i]->flash, heads[i]->model};
        }
    } else {
        event.kind = RadioEvent::Setting;
        event.value = int(value);
    }
    tell(event);
    return 1;
}

int EventTap::OnChargeReport(int type, int channel, int value) {
    RadioEvent event;
    event.kind = RadioEvent::Charge;
    event.type = type;
    event.channel = channel;
    event.value = value;
    tell(event);
    return 1;
}

int EventTap::OnHeatReport(int type, int channel, int value) {
    RadioEvent event;
    event.kind = RadioEvent::Heat;
    event.type = type;
    event.channel = channel;
    event.value = value;
    tell(event);
    return 1;
}

} // namespace lumadesk::cli
