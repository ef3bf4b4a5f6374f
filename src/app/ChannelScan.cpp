#include "app/ChannelScan.h"

#include "app/CWaitingDlg.h"
#include "app/DialogSeams.h"
#include "link/CZbProtocol.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

int RunChannelScan(StudioModel& model, CZbProtocol& protocol, QObject* studioListPane,
                   QWidget* parent, int tickMs) {
    StudioData* studio = StudioOfNode(model.pCurNode);
    // Only the five studios are ever scanned, never the memory studio.
    if (studio == nullptr || model.StudioByNumber(studio->nStudioNum) != studio)
        return 0;
    ClearStudio(&model, studio);
    SendMessage(studioListPane, Msg::ListStudioCleared, 0, AsLParam(studio));
    protocol.SendStudioSelect(studio->nStudioNum);
    model.pScanStudio = studio;
    CWaitingDlg box(studio->sStudioName, parent, tickMs);
    RunModal(box);
    return 1;
}
