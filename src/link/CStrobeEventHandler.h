#pragma once

#include "link/CZbEventHandler.h"
#include "platform/ChangeCode.h"

class QObject;

namespace lumadesk {

class HeldMessages;
struct StrobeData;
struct StudioData;
struct StudioModel;

// Applies radio events to the units of the addressed studio (the group the dongle was last told
// to address, whichever studio is shown) and tells the target (the main
// frame): a new unit (posted), a refreshed status (posted), a changed setting (sent, so the
// panes are updated before the next byte is assembled; heat is posted). While a HeldMessages
// is given, what it posts is held there for the owner to deliver.
class CStrobeEventHandler : public CZbEventHandler {
public:
    CStrobeEventHandler(QObject* target, StudioModel* model);

    int OnStatus(int channel, const StrobeData* status, int reserved) override;
    int OnSettingReport(int type, int channel, qintptr value) override;
    int OnChargeReport(int type, int channel, int value) override;
    int OnHeatReport(int type, int channel, int value) override;

    // Where posted news go instead of the event queue; null to post them.
    void holdPostsIn(HeldMessages* held) { m_held = held; }

private:
    StudioData* addressedStudio() const;
    StrobeData* unitOn(int channel) const;
    void applyLevels(const std::uint8_t* frame);
    void sendChange(int code, StrobeData* unit);
    void post(int number, int wParam, const StrobeData* unit);

    QObject* m_target;
    StudioModel* m_model;
    HeldMessages* m_held = nullptr;
};

} // namespace lumadesk
