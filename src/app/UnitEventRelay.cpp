#include "app/UnitEventRelay.h"

#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

namespace lumadesk {

bool RelayUnitEvent(const StudioModel& model, const WindowMessage& message, const PaneSet& panes) {
    const int number = message.number();
    if (number != Msg::FrameNewUnit && number != Msg::FrameUnitStatus &&
        number != Msg::FrameUnitSetting)
        return false;
    const StrobeData* unit = lumadesk::HeldRecordOf(model, message);
    if (unit == nullptr)
        return true;
    const bool selected = unit == UnitOfNode(model.pCurNode);
    const qintptr w = message.wParam();
    const qintptr l = message.lParam();
    switch (number) {
    case Msg::FrameNewUnit:
        SendMessage(panes.studioList, Msg::ListNewUnit, w, l);
        break;
    case Msg::FrameUnitStatus:
        SendMessage(panes.navigation, Msg::NavUnitStatus, w, l);
        if (selected)
            SendMessage(panes.control, Msg::CtrlUnitStatus, w, l);
        break;
    default:
        SendMessage(panes.navigation, Msg::NavUnitSetting, w, l);
        if (selected)
            SendMessage(panes.control, Msg::CtrlUnitSetting, w, l);
        break;
    }
    return true;
}

} // namespace lumadesk
