#include "link/CStrobeEventHandler.h"

#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <memory>

CStrobeEventHandler::CStrobeEventHandler(QObject* target, StudioModel* model)
    : m_target(target), m_model(model) {}

StudioData* CStrobeEventHandler::currentStudio() const {
    return m_model != nullptr ? StudioOfNode(m_model->pCurNode) : nullptr;
}

StrobeData* CStrobeEventHandler::unitOn(int channel) const {
    const StudioData* studio = currentStudio();
    return studio != nullptr ? studio->UnitOn(channel) : nullptr;
}

void CStrobeEventHandler::sendChange(int code, StrobeData* unit) {
    SendMessage(m_target, Msg::FrameUnitSetting, code, AsLParam(unit));
}

int CStrobeEventHandler::OnStatus(int channel, const StrobeData* status, int) {
    StudioData* studio = currentStudio();
    // The memory studio only ever holds a preview: reports are neither placed nor announced.
    if (studio == nullptr || status == nullptr || studio->nStudioNum < 0 ||
        studio->nStudioNum >= kStudioCount)
        return 1;
    if (StrobeData* unit = studio->UnitOn(channel)) {
        CopySettingsBlock(*unit, *status);
        lumadesk::PostRecordMessage(m_target, Msg::FrameUnitStatus, channel, unit);
        return 1;
    }
    auto fresh = std::make_unique<StrobeData>();
    CopySettingsBlock(*fresh, *status);
    if (StrobeData* unit = PlaceStrobe(m_model, studio->nStudioNum, channel, std::move(fresh)))
        lumadesk::PostRecordMessage(m_target, Msg::FrameNewUnit, channel, unit);
    return 1;
}

int CStrobeEventHandler::OnSettingReport(int type, int channel, qintptr value) {
    if (type == 14 || type == 15) {
        applyLevels(reinterpret_cast<const std::uint8_t*>(value));
        return 1;
    }
    StrobeData* unit = unitOn(channel);
    if (unit == nullptr)
        return 1;
    const int hi = int((value >> 8) & 0xFF);
    const int lo = int(value & 0xFF);
    int code = CHANGE_NONE;
    // A switch echo: any non-zero low byte is on.
    auto setSwitch = [&](int& field, int changeCode) {
        field = lo != 0 ? 1 : 0;
        code = changeCode;
    };
    switch (type) {
    case 3:
        if (IsValidLevel(hi)) {
            unit->nFlashValue = hi;
            if (IsValidLevel(lo))
                unit->nModelValue = lo;
            code = CHANGE_FLASH_LEVEL;
        }
        break;
    case 4:
        if (IsValidLevel(lo)) {
            unit->nModelValue = lo;
            if (IsValidLevel(hi))
                unit->nFlashValue = hi;
            code = CHANGE_MODEL_LEVEL;
        }
        break;
    case 5:
        setSwitch(unit->nModelMode1, CHANGE_MODEL_MODE1);
        break;
    case 6:
        setSwitch(unit->nModelMode2, CHANGE_MODEL_MODE2);
        break;
    case 7:
        setSwitch(unit->bFlashCell, CHANGE_FLASH_CELL);
        break;
    case 8:
        setSwitch(unit->bFlashSnd, CHANGE_FLASH_SOUND);
        break;
    case 12:
        setSwitch(unit->bModelPow, CHANGE_MODEL_POWER);
        break;
    case 13:
        setSwitch(unit->bFlashPow, CHANGE_FLASH_POWER);
        break;
    default:
        return 1; // 0-2, 9, 10, 11: nothing to store or tell
    }
    sendChange(code, unit);
    return 1;
}

void CStrobeEventHandler::applyLevels(const std::uint8_t* frame) {
    const StudioData* studio = currentStudio();
    if (studio == nullptr || frame == nullptr)
        return;
    for (int i = 0; i < kChannelCount; ++i) {
        StrobeData* unit = studio->UnitOn(i);
        const int flash = frame[3 + 2 * i];
        const int model = frame[4 + 2 * i];
        if (unit == nullptr || flash == 0 || model == 0)
            continue;
        unit->nFlashValue = flash;
        unit->nModelValue = model;
        sendChange(CHANGE_FLASH_LEVEL, unit);
    }
}

int CStrobeEventHandler::OnChargeReport(int type, int channel, int value) {
    StrobeData* unit = unitOn(channel);
    if (unit == nullptr)
        return 1;
    if (type == 1) {
        unit->bFlashCharge = value != 0 ? 1 : 0;
        sendChange(CHANGE_CHARGE, unit);
    } else if (type == 11) {
        sendChange(CHANGE_NONE, unit); // the test echo stores nothing
    }
    return 1;
}

int CStrobeEventHandler::OnHeatReport(int type, int channel, int value) {
    StrobeData* unit = unitOn(channel);
    if (unit != nullptr && type == 10) {
        unit->nHeatLevel = value;
        lumadesk::PostRecordMessage(m_target, Msg::FrameUnitSetting, CHANGE_HEAT, unit);
    }
    return 1;
}
