#include "link/CZbProtocol.h"

#include "link/CCommThread.h"
#include "link/CZbEventHandler.h"
#include "link/ChannelMask.h"
#include "link/CommandFrames.h"
#include "link/PendingValues.h"
#include "link/TrafficLog.h"
#include "model/StudioModel.h"

namespace lumadesk {

using namespace lumadesk;

namespace {

std::uint16_t maskOf(const std::uint8_t* frame) {
    return std::uint16_t(frame[3] << 8 | frame[4]);
}

// Calls f(channel) for channels 0..9 whose bit the frame's mask holds, in order. The group
// bits never name a channel.
template <typename F> void forEachChannel(const std::uint8_t* frame, F f) {
    const std::uint16_t mask = maskOf(frame);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (mask & MaskFromChannel(channel))
            f(channel);
    }
}

// What the port's count says: taken, dropped with the link down (0), or refused (-1).
Delivery deliveryOf(int written) {
    return written > 0 ? Delivery::Sent : written == 0 ? Delivery::LinkDown : Delivery::Refused;
}

} // namespace

CZbProtocol::CZbProtocol(CCommThread* port, CZbEventHandler* handler)
    : m_port(port), m_handler(handler) {}

int CZbProtocol::write(const QByteArray& frame) {
    if (m_port == nullptr || frame.isEmpty())
        return 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    const int written = m_port->WriteComm(int(frame.size()), bytes);
    // A frame the full queue refused was neither sent nor lost to a link that is down.
    if (m_traffic != nullptr && written >= 0)
        m_traffic->record(written > 0 ? TrafficDirection::Sent : TrafficDirection::NotSent, bytes,
                          int(frame.size()));
    return written;
}

int CZbProtocol::SendStudioSelect(int studioNumber) {
    const int written = write(BuildStudioSelect(studioNumber));
    if (m_model != nullptr && written > 0)
        m_model->pAddressedStudio = m_model->StudioByNumber(studioNumber);
    return 1;
}

void CZbProtocol::address(const StudioData* studio) {
    // Only the five studios are on the air; a record elsewhere (a preview) goes nowhere new.
    if (m_model == nullptr || studio == nullptr || studio == m_model->pAddressedStudio ||
        m_model->StudioByNumber(studio->nStudioNum) != studio)
        return;
    SendStudioSelect(studio->nStudioNum);
}

int CZbProtocol::SendUnitCommand(std::uint16_t mask, const StrobeData* unit, int type) {
    if (unit == nullptr)
        return 0;
    address(static_cast<const StudioData*>(unit->pParent));
    const int written = write(BuildUnitCommand(mask, *unit, type));
    if (m_pending != nullptr)
        m_pending->noteUnitCommand(mask, *unit, type, deliveryOf(written));
    return 1;
}

int CZbProtocol::SendUnitSettings(std::uint16_t mask, const StrobeData* unit) {
    if (unit == nullptr)
        return 0;
    address(static_cast<const StudioData*>(unit->pParent));
    const int written = write(BuildUnitSettings(mask, *unit));
    if (m_pending != nullptr)
        m_pending->noteUnitSettings(mask, *unit, deliveryOf(written));
    return 1;
}

void CZbProtocol::SendStudioLevels(int type, const StudioData* studio) {
    if (studio == nullptr)
        return;
    if (type == LEVELS_FLASH || type == LEVELS_MODEL)
        address(studio);
    const int written = write(BuildStudioLevels(type, *studio));
    if (m_pending != nullptr)
        m_pending->noteStudioLevels(type, *studio, deliveryOf(written));
}

int CZbProtocol::DispatchReport(const std::uint8_t* frame, int kind) {
    if (frame == nullptr || m_handler == nullptr)
        return 0;
    switch (kind) {
    case kStatusReport:
        DecodeStatus(frame);
        return 1;
    case kSettingReport:
        DecodeSetting(frame);
        return 1;
    case kHeatReport:
        DecodeHeat(frame);
        return 1;
    case kChargeReport:
        DecodeCharge(frame);
        return 1;
    default:
        return 0;
    }
}

void CZbProtocol::DecodeStatus(const std::uint8_t* frame) {
    forEachChannel(frame, [this, frame](int channel) {
        m_scratch.nChNum = ChannelFromMask(maskOf(frame));
        m_scratch.bFlashPow = frame[5];
        m_scratch.nFlashValue = frame[6];
        m_scratch.nModelValue = frame[7];
        m_scratch.bFlashCell = frame[8];
        m_scratch.bFlashSnd = frame[9];
        m_scratch.nModelMode1 = frame[10];
        m_scratch.nModelMode2 = frame[11];
        m_scratch.bModelPow = frame[12];
        m_handler->OnStatus(channel, &m_scratch, 0);
    });
}

void CZbProtocol::DecodeSetting(const std::uint8_t* frame) {
    const int type = ReportType(frame[2]);
    if (type == LEVELS_FLASH || type == LEVELS_MODEL) {
        m_handler->OnSettingReport(type, 0, reinterpret_cast<qintptr>(frame));
        return;
    }
    const qintptr value = frame[5] << 8 | frame[6];
    forEachChannel(frame, [&](int channel) { m_handler->OnSettingReport(type, channel, value); });
}

void CZbProtocol::DecodeHeat(const std::uint8_t* frame) {
    const int type = ReportType(frame[2]);
    forEachChannel(frame, [&](int channel) { m_handler->OnHeatReport(type, channel, frame[6]); });
}

void CZbProtocol::DecodeCharge(const std::uint8_t* frame) {
    const int type = ReportType(frame[2]);
    forEachChannel(frame, [&](int channel) { m_handler->OnChargeReport(type, channel, frame[6]); });
}

} // namespace lumadesk
