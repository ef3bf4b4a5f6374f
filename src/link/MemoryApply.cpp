#include "link/MemoryApply.h"

#include "link/CZbProtocol.h"
#include "model/StudioModel.h"

namespace lumadesk {

StudioData* CopyMemoryStudio(StudioModel* model) {
    if (model == nullptr)
        return nullptr;
    StudioData* studio = StudioOfNode(model->pCurNode);
    if (studio != nullptr)
        CopyStudioValues(studio, model->pMemoryStudio.get());
    return studio;
}

int SendStudioSettings(CZbProtocol* protocol, const StudioData* studio) {
    if (protocol == nullptr || studio == nullptr)
        return 0;
    int sent = 0;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio->UnitOn(i))
            sent += protocol->SendUnitSettings(0, unit);
    }
    return sent;
}

int ApplyMemoryStudio(StudioModel* model, CZbProtocol* protocol) {
    StudioData* studio = CopyMemoryStudio(model);
    if (studio == nullptr)
        return 0;
    SendStudioSettings(protocol, studio);
    return 1;
}

} // namespace lumadesk
