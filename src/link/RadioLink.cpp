#include "link/RadioLink.h"

#include "link/FrameTypes.h"
#include "link/LevelsFrame.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

namespace lumadesk {

RadioLink::RadioLink(QObject* owner, StudioModel& model, PendingValues::Clock clock)
    : m_model(model), m_pending(model, std::move(clock)), m_port(this), m_handler(owner, &model) {
    m_port.setQuietDrain([this] { drain(); });
    // A head that missed a check or answers again shows it on every face.
    m_heard.setMissedListener([this](int studio, int channel) {
        if (const StudioData* held = m_model.StudioByNumber(studio))
            if (const StrobeData* unit = held->UnitOn(channel))
                m_model.news.tellHeadChanged(*unit, kCueMask);
    });
    m_protocol.SetPendingValues(&m_pending);
    m_protocol.SetModel(&m_model);
    m_expiry.setSingleShot(true);
    m_expiry.setTimerType(Qt::PreciseTimer);
    m_expiry.callOnTimeout([this] {
        if (const auto next = m_pending.expire())
            m_expiry.start(*next);
    });
    m_pending.setWake([this](std::chrono::milliseconds until) {
        if (!m_expiry.isActive() || m_expiry.remainingTimeAsDuration() > until)
            m_expiry.start(until);
    });
}

RadioLink::~RadioLink() {
    close();
}

bool RadioLink::open(const ComSettings& settings) {
    m_model.pAddressedStudio = nullptr;
    if (m_port.OpenPort(settings.portName, settings.baudRate, settings.dataBits, settings.stopBits,
                        settings.parity) != 1)
        return false;
    if (m_model.pScanStudio != nullptr)
        m_protocol.SendStudioSelect(m_model.pScanStudio->nStudioNum);
    return true;
}

int RadioLink::drain() {
    // A receiver that runs a nested event loop may drain again; the outermost delivers.
    if (m_drainDepth++ == 0) {
        m_handler.holdPostsIn(&m_held);
        m_model.news.beginDrain();
    }
    const int fed = m_pump.Drain();
    if (--m_drainDepth == 0) {
        m_handler.holdPostsIn(nullptr);
        m_held.deliver();
        m_model.news.endDrain();
    }
    return fed;
}

void RadioLink::customEvent(QEvent* event) {
    const WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QObject::customEvent(event);
    if (message->number() == Msg::FrameBytesReceived)
        drain();
    else if (message->number() == Msg::FrameReaderEnded)
        emit readerEnded();
}

void RadioLink::close() {
    m_port.ClosePort();
    m_model.pAddressedStudio = nullptr;
}

StudioData* RadioLink::startScan(QObject* studioListPane) {
    StudioData* studio = StudioOfNode(m_model.pCurNode);
    if (studio == nullptr || m_model.StudioByNumber(studio->nStudioNum) != studio)
        return nullptr;
    ClearStudio(&m_model, studio);
    m_pending.forget();
    if (studioListPane != nullptr)
        SendMessage(studioListPane, Msg::ListStudioCleared, 0, AsLParam(studio));
    m_protocol.SendStudioSelect(studio->nStudioNum);
    m_model.pScanStudio = studio;
    m_heard.scanned(studio->nStudioNum);
    return studio;
}

StudioData* RadioLink::checkHeads() {
    StudioData* studio = m_model.pScanStudio;
    if (studio == nullptr)
        return nullptr;
    m_heard.startCheck(studio->nStudioNum);
    m_protocol.SendStudioSelect(studio->nStudioNum);
    return studio;
}

std::vector<int> RadioLink::finishCheck() {
    if (m_model.pScanStudio == nullptr)
        return {};
    return m_heard.finishCheck(*m_model.pScanStudio);
}

bool RadioLink::isAnswering(int studio, int channel) const {
    // A value whose frame never left is the link's doing, not the head's.
    return !m_heard.missedCheck(studio, channel) && !m_pending.isSilent(studio, channel);
}

void RadioLink::setTrafficLog(TrafficLog* log) {
    m_trafficStage.log = log;
    m_protocol.setTrafficLog(log);
}

int RadioLink::TrafficStage::DispatchReport(const std::uint8_t* frame, int kind) {
    if (log != nullptr)
        log->record(TrafficDirection::Received, frame, frame[1]);
    return dispatcher.DispatchReport(frame, kind);
}

void RadioLink::HeardStage::note(int channel) {
    // The heads on the air are the addressed studio's.
    if (const StudioData* studio = studios.pAddressedStudio)
        heard.heard(studio->nStudioNum, channel);
}

int RadioLink::HeardStage::OnStatus(int channel, const StrobeData* status, int reserved) {
    note(channel);
    return handler.OnStatus(channel, status, reserved);
}

int RadioLink::HeardStage::OnSettingReport(int type, int channel, qintptr value) {
    if (type == LEVELS_FLASH || type == LEVELS_MODEL) {
        // One frame for the studio: the heads it has a pair for have answered.
        const LevelsFrame heads = ReadLevelsFrame(reinterpret_cast<const std::uint8_t*>(value));
        for (int i = 0; i < kChannelCount; ++i) {
            if (heads[std::size_t(i)])
                note(i);
        }
    } else {
        note(channel);
    }
    return handler.OnSettingReport(type, channel, value);
}

int RadioLink::HeardStage::OnChargeReport(int type, int channel, int value) {
    note(channel);
    return handler.OnChargeReport(type, channel, value);
}

int RadioLink::HeardStage::OnHeatReport(int type, int channel, int value) {
    note(channel);
    return handler.OnHeatReport(type, channel, value);
}

int RadioLink::TappedHandler::OnStatus(int channel, const StrobeData* status, int reserved) {
    book.OnStatus(channel, status, reserved);
    if (tap != nullptr)
        tap->OnStatus(channel, status, reserved);
    return handler.OnStatus(channel, status, reserved);
}

int RadioLink::TappedHandler::OnSettingReport(int type, int channel, qintptr value) {
    book.OnSettingReport(type, channel, value);
    if (tap != nullptr)
        tap->OnSettingReport(type, channel, value);
    return handler.OnSettingReport(type, channel, value);
}

int RadioLink::TappedHandler::OnChargeReport(int type, int channel, int value) {
    book.OnChargeReport(type, channel, value);
    if (tap != nullptr)
        tap->OnChargeReport(type, channel, value);
    return handler.OnChargeReport(type, channel, value);
}

int RadioLink::TappedHandler::OnHeatReport(int type, int channel, int value) {
    book.OnHeatReport(type, channel, value);
    if (tap != nullptr)
        tap->OnHeatReport(type, channel, value);
    return handler.OnHeatReport(type, channel, value);
}

} // namespace lumadesk
