#include "link/CStrobeEventHandler.h"

#include "link/LevelsFrame.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/HeldMessages.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <memory>

namespace lumadesk {

using namespace lumadesk;

CStrobeEventHandler::CStrobeEventHandler(QObject* target, StudioModel* model)
    : m_target(target), m_model(model) {}

StudioData* CStrobeEventHandler::addressedStudio() const {
    return m_model != nullptr ? m_model->pAddressedStudio : nullptr;
}

StrobeData* CStrobeEventHandler::unitOn(int channel) const {
    const StudioData* studio = addressedStudio();
    return studio != nullptr ? studio->UnitOn(channel) : nullptr;
}

void CStrobeEventHandler::post(int number, int wParam, const StrobeData* unit) {
    if (m_held != nullptr)
        m_held->post(m_target, number, wParam, AsLParam(unit), unit->serial);
    else
        lumadesk::PostRecordMessage(m_target, number, wParam, unit);
}

void CStrobeEventHandler::sendChange(int code, StrobeData* unit) {
    SendMessage(m_target, Msg::FrameUnitSetting, code, AsLParam(unit));
}

int CStrobeEventHandler::OnStatus(int channel, const StrobeData* status, int) {
    StudioData* studio = addressedStudio();
    // Before any select no group is on the air that the console knows of: nothing is placed.
    if (studio == nullptr || status == nullptr || studio->nStudioNum < 0 ||
        studio->nStudioNum >= kStudioCount)
        return 1;
    if (StrobeData* unit = studio->UnitOn(channel)) {
        HeadEdit edit(m_model->news, *unit);
        CopySettingsBlock(*unit, *status);
        edit.tell();
        post(Msg::FrameUnitStatus, channel, unit);
        return 1;
    }
    auto fresh = std::make_unique<StrobeData>();
    CopySettingsBlock(*fresh, *status);
    if (StrobeData* unit = PlaceStrobe(m_model, studio->nStudioNum, channel, std::move(fresh)))
        post(Msg::FrameNewUnit, channel, unit);
    return 1;
}

int CStrobeEventHandler::OnSettingReport(int type, int channel, qintptr value) {
    if (type == LEVELS_FLASH || type == LEVELS_MODEL) {
        applyLevels(reinterpret_cast<const std::uint8_t*>(value));
        return 1;
    }
    const UnitSetting* setting = SettingOfCommand(type);
    if (setting == nullptr || setting->member == nullptr)
        return 1; // 0-2, 9, 10 and the test flash: nothing to store or tell
    StrobeData* unit = unitOn(channel);
    if (unit == nullptr)
        return 1;
    int code = setting->changeCode;
    HeadEdit edit(m_model->news, *unit);
    if (setting->kind == SettingKind::Switch) {
        // Any non-zero byte is on, so the command's own bit values read as on.
        unit->*setting->member = EchoedByte(*setting, value) != 0 ? 1 : 0;
    } else if (IsValidLevel(EchoedByte(*setting, value))) {
        // The level the type names is taken; the other rides along when it too is in range.
        for (const UnitSetting& level : UnitSettings()) {
            if (level.kind == SettingKind::Level &&
                (&level == setting || IsValidLevel(EchoedByte(level, value))))
                unit->*level.member = EchoedByte(level, value);
        }
    } else {
        code = CHANGE_NONE;
    }
    edit.tell();
    sendChange(code, unit);
    return 1;
}

void CStrobeEventHandler::applyLevels(const std::uint8_t* frame) {
    const StudioData* studio = addressedStudio();
    if (studio == nullptr || frame == nullptr)
        return;
    const LevelsFrame levels = ReadLevelsFrame(frame);
    for (int i = 0; i < kChannelCount; ++i) {
        StrobeData* unit = studio->UnitOn(i);
        const std::optional<LevelPair>& pair = levels[std::size_t(i)];
        if (unit == nullptr || !pair)
            continue;
        HeadEdit edit(m_model->news, *unit);
        unit->nFlashValue = pair->flash;
        unit->nModelValue = pair->model;
        edit.tell();
        sendChange(CHANGE_FLASH_LEVEL, unit);
    }
}

int CStrobeEventHandler::OnChargeReport(int type, int channel, int value) {
    StrobeData* unit = unitOn(channel);
    if (unit == nullptr)
        return 1;
    if (type == kChargeStateType) {
        HeadEdit edit(m_model->news, *unit);
        unit->bFlashCharge = value != 0 ? 1 : 0;
        edit.tell();
        sendChange(CHANGE_CHARGE, unit);
    } else if (type == kTestEchoType) {
        sendChange(CHANGE_NONE, unit); // the test echo stores nothing
    }
    return 1;
}

int CStrobeEventHandler::OnHeatReport(int type, int channel, int value) {
    StrobeData* unit = unitOn(channel);
    if (unit != nullptr && type == kHeatLevelType) {
        HeadEdit edit(m_model->news, *unit);
        unit->nHeatLevel = value;
        edit.tell();
        post(Msg::FrameUnitSetting, CHANGE_HEAT, unit);
    }
    return 1;
}

} // namespace lumadesk
