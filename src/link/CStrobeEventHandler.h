#pragma once

#include "link/CZbEventHandler.h"

class QObject;
struct StrobeData;
struct StudioData;
struct StudioModel;

// Change codes: which setting of a unit changed (wParam of the unit-setting messages).
enum ChangeCode : int {
    CHANGE_NONE = -1, // nothing stored: a level out of range, or the test echo
    CHANGE_FLASH_LEVEL = 0,
    CHANGE_FLASH_CELL = 1,
    CHANGE_FLASH_SOUND = 2,
    CHANGE_FLASH_POWER = 4,
    CHANGE_MODEL_LEVEL = 5,
    CHANGE_MODEL_MODE1 = 6,
    CHANGE_MODEL_MODE2 = 7,
    CHANGE_MODEL_POWER = 8,
    CHANGE_CHARGE = 9,
    CHANGE_HEAT = 10,
};

// Applies radio events to the units of the current studio and tells the target (the main
// frame): a new unit (posted), a refreshed status (posted), a changed setting (sent, so the
// panes are updated before the next byte is assembled; heat is posted).
class CStrobeEventHandler : public CZbEventHandler {
public:
    static constexpr int kLowestLevel = 11;
    static constexpr int kHighestLevel = 81;

    CStrobeEventHandler(QObject* target, StudioModel* model);

    int OnStatus(int channel, const StrobeData* status, int reserved) override;
    int OnSettingReport(int type, int channel, qintptr value) override;
    int OnChargeReport(int type, int channel, int value) override;
    int OnHeatReport(int type, int channel, int value) override;

private:
    StudioData* currentStudio() const;
    StrobeData* unitOn(int channel) const;
    void applyLevels(const std::uint8_t* frame);
    void sendChange(int code, StrobeData* unit);

    QObject* m_target;
    StudioModel* m_model;
};
