#pragma once

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

// Both steps at once, for callers with no tree to rebuild. Returns 0 when there is no current
// studio, else 1.
int ApplyMemoryStudio(StudioModel* model, CZbProtocol* protocol);

} // namespace lumadesk
