#include "link/RadioLink.h"

#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

namespace lumadesk {

RadioLink::RadioLink(QObject* owner, StudioModel& model)
    : m_model(model), m_port(owner), m_handler(owner, &model) {}

RadioLink::~RadioLink() {
    close();
}

bool RadioLink::open(const ComSettings& settings) {
    return m_port.OpenPort(settings.portName, settings.baudRate, settings.dataBits,
                           settings.stopBits, settings.parity) == 1;
}

void RadioLink::close() {
    m_port.ClosePort();
}

StudioData* RadioLink::startScan(QObject* studioListPane) {
    StudioData* studio = StudioOfNode(m_model.pCurNode);
    if (studio == nullptr || m_model.StudioByNumber(studio->nStudioNum) != studio)
        return nullptr;
    ClearStudio(&m_model, studio);
    if (studioListPane != nullptr)
        SendMessage(studioListPane, Msg::ListStudioCleared, 0, AsLParam(studio));
    m_protocol.SendStudioSelect(studio->nStudioNum);
    m_model.pScanStudio = studio;
    return studio;
}

int RadioLink::TappedHandler::OnStatus(int channel, const StrobeData* status, int reserved) {
    if (tap != nullptr)
        tap->OnStatus(channel, status, reserved);
    return handler.OnStatus(channel, status, reserved);
}

int RadioLink::TappedHandler::OnSettingReport(int type, int channel, qintptr value) {
    if (tap != nullptr)
        tap->OnSettingReport(type, channel, value);
    return handler.OnSettingReport(type, channel, value);
}

int RadioLink::TappedHandler::OnChargeReport(int type, int channel, int value) {
    if (tap != nullptr)
        tap->OnChargeReport(type, channel, value);
    return handler.OnChargeReport(type, channel, value);
}

int RadioLink::TappedHandler::OnHeatReport(int type, int channel, int value) {
    if (tap != nullptr)
        tap->OnHeatReport(type, channel, value);
    return handler.OnHeatReport(type, channel, value);
}

} // namespace lumadesk
