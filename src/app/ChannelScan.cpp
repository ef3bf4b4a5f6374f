#include "app/ChannelScan.h"

#include "app/CWaitingDlg.h"
#include "app/DialogSeams.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"

namespace lumadesk {

int RunChannelScan(lumadesk::RadioLink& link, QObject* studioListPane, QWidget* parent,
                   int tickMs) {
    const StudioData* studio = link.startScan(studioListPane);
    if (studio == nullptr)
        return 0;
    CWaitingDlg box(studio->sStudioName, parent, tickMs);
    RunModal(box);
    return 1;
}

} // namespace lumadesk
