#include "app/ChannelScan.h"

#include "app/CWaitingDlg.h"
#include "app/DialogSeams.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"

namespace lumadesk {

int RunChannelScan(lumadesk::RadioLink& link, QObject* studioListPane, QWidget* parent, int tickMs,
                   QPointer<CWaitingDlg>* box) {
    const StudioData* studio = link.startScan(studioListPane);
    if (studio == nullptr)
        return 0;
    CWaitingDlg waiting(studio->sStudioName, parent, tickMs);
    if (box != nullptr)
        *box = &waiting;
    RunModal(waiting);
    return 1;
}

} // namespace lumadesk
