#include "link/CZbProtocol.h"

#include "link/CCommThread.h"
#include "link/CommandFrames.h"
#include "model/StudioModel.h"

CZbProtocol::CZbProtocol(CCommThread* port) : m_port(port) {}

void CZbProtocol::write(const QByteArray& frame) {
    if (m_port != nullptr && !frame.isEmpty())
        m_port->WriteComm(int(frame.size()), reinterpret_cast<const std::uint8_t*>(frame.data()));
}

int CZbProtocol::SendStudioSelect(int studioNumber) {
    write(BuildStudioSelect(studioNumber));
    return 1;
}

int CZbProtocol::SendUnitCommand(std::uint16_t mask, const StrobeData* unit, int type) {
    if (unit == nullptr)
        return 0;
    write(BuildUnitCommand(mask, *unit, type));
    return 1;
}

int CZbProtocol::SendUnitSettings(std::uint16_t mask, const StrobeData* unit) {
    if (unit == nullptr)
        return 0;
    write(BuildUnitSettings(mask, *unit));
    return 1;
}

void CZbProtocol::SendStudioLevels(int type, const StudioData* studio) {
    if (studio != nullptr)
        write(BuildStudioLevels(type, *studio));
}
