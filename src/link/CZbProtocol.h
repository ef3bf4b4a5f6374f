#pragma once

#include "link/ReportAssembler.h"
#include "model/StrobeData.h"

#include <QByteArray>
#include <cstdint>

namespace lumadesk {

class CCommThread;
class CZbEventHandler;
class PendingValues;
class TrafficLog;
struct StudioData;
struct StudioModel;

// The protocol object. Outgoing: the command senders, each writing its frame with one
// WriteComm; the book of pending values is told whether the port took it, dropped it with the
// link down (a count of 0) or refused it (-1).
// Incoming: DispatchReport decodes an assembled report into events of the handler, one per
// addressed channel.
class CZbProtocol : public ReportDispatcher {
public:
    explicit CZbProtocol(CCommThread* port, CZbEventHandler* handler = nullptr);

    // Returns 1. A select the port took makes that studio the addressed one (with a model).
    int SendStudioSelect(int studioNumber);
    // 0 without writing when the record is absent; 1 otherwise, also when the type builds no
    // frame.
    int SendUnitCommand(std::uint16_t mask, const StrobeData* unit, int type);
    // 0 without writing when the record is absent, else 1.
    int SendUnitSettings(std::uint16_t mask, const StrobeData* unit);
    // Writes nothing for an absent studio or a type other than 14 or 15.
    void SendStudioLevels(int type, const StudioData* studio);

    // 0 for kinds that carry nothing (0x00, 0x02) or are unknown, else 1.
    int DispatchReport(const std::uint8_t* frame, int kind) override;

    // With a model, the protocol keeps its addressed studio: a frame for a head of another of
    // the five studios is preceded by that studio's select, so it reaches the right group.
    void SetModel(StudioModel* model) { m_model = model; }

    // Every value written is noted there as pending; null for none.
    void SetPendingValues(PendingValues* book) { m_pending = book; }
    PendingValues* Pending() const { return m_pending; }

    CCommThread* Port() const { return m_port; }
    CZbEventHandler* Handler() const { return m_handler; }
    const StrobeData& ScratchRecord() const { return m_scratch; }
    // Every frame written is recorded there too; null for none.
    void setTrafficLog(TrafficLog* log) { m_traffic = log; }

private:
    // The count written.
    int write(const QByteArray& frame);
    void address(const StudioData* studio);
    void DecodeStatus(const std::uint8_t* frame);
    void DecodeSetting(const std::uint8_t* frame);
    void DecodeHeat(const std::uint8_t* frame);
    void DecodeCharge(const std::uint8_t* frame);

    CCommThread* m_port;
    CZbEventHandler* m_handler;
    PendingValues* m_pending = nullptr;
    StudioModel* m_model = nullptr;
    StrobeData m_scratch; // the status decoder's record; its bFlashCharge stays 1
    TrafficLog* m_traffic = nullptr;
};

} // namespace lumadesk
