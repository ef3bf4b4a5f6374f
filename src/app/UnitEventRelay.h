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

// Passes the event handler's news about a unit on to the panes: a new unit to the studio list
// (posted), a refreshed status to the navigation pane and, for the selected unit, the remote
// control pane (posted), a changed setting to the same two (sent). A record the model no
// longer holds (a scan destroyed it while the message waited, even when a new record took its
// address) is dropped; posted news carry the record's serial on, so the panes check the same way
// with lumadesk::HeldRecordOf. Returns whether the message was one of the three.
bool RelayUnitEvent(const StudioModel& model, const WindowMessage& message, const PaneSet& panes);

} // namespace lumadesk
