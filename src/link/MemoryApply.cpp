#include "link/MemoryApply.h"

#include "link/CZbProtocol.h"
#include "model/StudioModel.h"

int ApplyMemoryStudio(StudioModel* model, CZbProtocol* protocol) {
    if (model == nullptr)
        return 0;
    StudioData* studio = StudioOfNode(model->pCurNode);
    if (studio == nullptr)
        return 0;
    CopyStudioValues(studio, model->pMemoryStudio.get());
    if (protocol == nullptr)
        return 1;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio->UnitOn(i))
            protocol->SendUnitSettings(0, unit);
    }
    return 1;
}
