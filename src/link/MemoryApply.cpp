#include "link/MemoryApply.h"

#include "link/CZbProtocol.h"
#include "model/StudioModel.h"

namespace lumadesk {

namespace {

QString heads(int count) {
    return count == 1 ? QStringLiteral("1 head") : QStringLiteral("%1 heads").arg(count);
}

// "A", "A and B", "A, B and C"
QString listed(const QStringList& names) {
    if (names.size() < 2)
        return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           names.constLast();
}

} // namespace

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

LoadReach ReachOfLoad(const StudioData* setUp, const StudioData* studio) {
    LoadReach reach;
    const QString unnamed = StrobeData().sModelName;
    for (int i = 0; setUp != nullptr && i < kChannelCount; ++i) {
        const StrobeData* unit = setUp->UnitOn(i);
        if (unit == nullptr)
            continue;
        if (studio != nullptr && studio->UnitOn(i) != nullptr)
            ++reach.reached;
        else if (unit->sModelName.isEmpty() || unit->sModelName == unnamed)
            reach.missing << unit->sChName;
        else
            reach.missing << unit->sChName + QLatin1Char(' ') + unit->sModelName;
    }
    return reach;
}

QString MissingHeadsText(const LoadReach& reach, const StudioData& studio) {
    if (reach.missing.isEmpty())
        return {};
    return QStringLiteral("%1 %2 no head in %3 and will not be sent")
        .arg(listed(reach.missing),
             reach.missing.size() == 1 ? QStringLiteral("has") : QStringLiteral("have"),
             studio.sStudioName);
}

QString LoadedText(const QString& name, int reached, const StudioData& studio, bool linkUp) {
    if (!linkUp)
        return QStringLiteral("Set-up \"%1\" loaded into %2 of %3, not sent: link down")
            .arg(name, heads(reached), studio.sStudioName);
    return QStringLiteral("Set-up \"%1\" sent to %2 of %3")
        .arg(name, heads(reached), studio.sStudioName);
}

QString NoHeadsYetText(const StudioData& studio) {
    return QStringLiteral("%1 has no heads yet").arg(studio.sStudioName);
}

} // namespace lumadesk
