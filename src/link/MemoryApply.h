#pragma once

struct StudioModel;
class CZbProtocol;

// The model side of the Load command, after the operator confirmed: the previewed values go into
// the current studio (units in both only), then every unit of that studio, in slot order, gets
// its settings frame on its own channel, changed or not. Returns 0 without doing anything when
// there is no current studio, else 1. Rebuilding the studio's tree items is the panel's.
int ApplyMemoryStudio(StudioModel* model, CZbProtocol* protocol);
