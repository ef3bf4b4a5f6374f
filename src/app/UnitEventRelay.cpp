#include "app/UnitEventRelay.h"

#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

bool RelayUnitEvent(const StudioModel& model, const WindowMessage& message, const PaneSet& panes) {
    const int number = message.number();
    if (number != Msg::FrameNewUnit && number != Msg::FrameUnitStatus &&
        number != Msg::FrameUnitSetting)
        return false;
    const auto* unit = message.lParamAs<const StrobeData>();
    if (!model.OwnsRecord(unit))
        return true;
    const bool selected = unit == UnitOfNode(model.pCurNode);
    const qintptr w = message.wParam();
    const qintptr l = message.lParam();
    switch (number) {
    case Msg::FrameNewUnit:
        PostMessage(panes.studioList, Msg::ListNewUnit, w, l);
        break;
    case Msg::FrameUnitStatus:
        PostMessage(panes.navigation, Msg::NavUnitStatus, w, l);
        if (selected)
            PostMessage(panes.control, Msg::CtrlUnitStatus, w, l);
        break;
    default:
        SendMessage(panes.navigation, Msg::NavUnitSetting, w, l);
        if (selected)
            SendMessage(panes.control, Msg::CtrlUnitSetting, w, l);
        break;
    }
    return true;
}
