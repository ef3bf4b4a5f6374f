#pragma once

#include <QString>
#include <QStringList>

namespace lumadesk {

struct StudioModel;
struct StudioData;
class CZbProtocol;

// The model side of the Load command, after the operator confirmed, in two steps so that the
// panel can have the studio list rebuilt between them.

// The previewed values go into the current studio (units in both only). Returns the current
// studio, or null without doing anything when there is none.
StudioData* CopyMemoryStudio(StudioModel* model);

// Every unit of the studio, in slot order, gets its settings frame on its own channel, changed
// or not. Returns the number of frames sent.
int SendStudioSettings(CZbProtocol* protocol, const StudioData* studio);

// What a Load of a set-up into a studio reaches: how many of the set-up's heads have a head on
// their channel there, and the others as the operator knows them ("CH-03 Rim", "CH-04": the
// name only when the head has one of its own).
struct LoadReach {
    int reached = 0;
    QStringList missing;
};
LoadReach ReachOfLoad(const StudioData* setUp, const StudioData* studio);

// "CH-03 Rim and CH-04 have no head in Studio B and will not be sent"; empty when every head of
// the set-up has one.
QString MissingHeadsText(const LoadReach& reach, const StudioData& studio);
// What a Load came to: "Set-up "evening" sent to 2 heads of Studio B", or, with the port closed,
// that the frames could not go.
QString LoadedText(const QString& name, int reached, const StudioData& studio, bool linkUp);
// "Studio B has no heads yet"
QString NoHeadsYetText(const StudioData& studio);

// Both steps at once, for callers with no tree to rebuild. Returns 0 when there is no current
// studio, else 1.
int ApplyMemoryStudio(StudioModel* model, CZbProtocol* protocol);

} // namespace lumadesk
