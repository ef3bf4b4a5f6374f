#pragma once

#include "link/CZbEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/TrafficLog.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace lumadesk {

// A frame in words, for the radio traffic view: "flash 4.5 to CH-03", "status CH-03: power on,
// flash 4.5, ...". Reports go through the console's own decoders (CZbProtocol::DispatchReport)
// into a handler that writes words instead of records; commands are read with the same frame
// table and settings table the builders use. Pure; one instance per reader, GUI thread.
class FrameWords {
public:
    FrameWords() = default;
    FrameWords(const FrameWords&) = delete;
    FrameWords& operator=(const FrameWords&) = delete;

    QString describe(TrafficDirection direction, const std::uint8_t* frame, int count);

    // "CH-03,CH-05", "group", or "no head" for a frame's channel mask.
    static QString HeadsOf(std::uint16_t mask);
    static QString HexOf(const std::uint8_t* frame, int count);

private:
    // Collects what the decoders make of one report; all heads a frame names get the same words.
    struct Words : CZbEventHandler {
        int OnStatus(int channel, const StrobeData* status, int reserved) override;
        int OnSettingReport(int type, int channel, qintptr value) override;
        int OnChargeReport(int type, int channel, int value) override;
        int OnHeatReport(int type, int channel, int value) override;
        QString text;
    };

    QString describeReport(const std::uint8_t* frame, int count);
    QString describeCommand(const std::uint8_t* frame, int count);

    Words m_words;
    CZbProtocol m_decoder{nullptr, &m_words};
};

} // namespace lumadesk
