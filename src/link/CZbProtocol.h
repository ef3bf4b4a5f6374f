#pragma once

#include "model/StrobeData.h"

#include <QByteArray>
#include <cstdint>

class CCommThread;
struct StudioData;

// The protocol object: the command senders, each writing its frame with one WriteComm and
// ignoring the count written (a link that is down drops commands silently).
class CZbProtocol {
public:
    explicit CZbProtocol(CCommThread* port);

    // Returns 1.
    int SendStudioSelect(int studioNumber);
    // 0 without writing when the record is absent; 1 otherwise, also when the type builds no
    // frame.
    int SendUnitCommand(std::uint16_t mask, const StrobeData* unit, int type);
    // 0 without writing when the record is absent, else 1.
    int SendUnitSettings(std::uint16_t mask, const StrobeData* unit);
    // Writes nothing for an absent studio or a type other than 14 or 15.
    void SendStudioLevels(int type, const StudioData* studio);

    CCommThread* Port() const { return m_port; }

private:
    void write(const QByteArray& frame);

    CCommThread* m_port;
};
