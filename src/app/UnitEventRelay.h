#pragma once

class QObject;

namespace lumadesk {

class WindowMessage;
struct StudioModel;

// The panes that hear about units, as the main frame finds them in its splitters.
struct PaneSet {
    QObject* studioList = nullptr;
    QObject* control = nullptr;
    QObject* navigation = nullptr;
};

// Passes the event handler's news about a unit on to the panes, sent: a new unit to the studio
// list, a refreshed status or a changed setting to the navigation pane and, for the selected
// unit, the remote control pane. The news arrive posted (or held until a drain is through), so
// sending them on adds no turn of the event loop. A record the model no longer holds (a scan
// destroyed it while the message waited, even when a new record took its address) is dropped.
// Returns whether the message was one of the three.
bool RelayUnitEvent(const StudioModel& model, const WindowMessage& message, const PaneSet& panes);

} // namespace lumadesk
