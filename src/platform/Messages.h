#pragma once

namespace lumadesk {

// The console's user window messages, numbered relative to WM_USER as the panes and the
// frame know them. Receivers dispatch on these in one place (their customEvent).
namespace Msg {

// studio list pane
inline constexpr int ListNewUnit = 10;       // (channel, unit) a status report created a unit
inline constexpr int ListNameCommand = 11;   // (0, 0) toolbar "Name"
inline constexpr int ListStudioCleared = 12; // (0, studio) a studio was emptied for a scan
inline constexpr int ListMemoryApplied = 13; // a Business Memory set-up was applied
inline constexpr int ListStudioChanged = 14; // (0, studio) names of its heads changed: rebuild
inline constexpr int ListUnitRenamed = 15;   // (1 light / 0 head, unit) a name was put back

// navigation pane
inline constexpr int NavShowStudio = 20;  // show a studio
inline constexpr int NavSelectUnit = 21;  // make a unit current
inline constexpr int NavUnitAdded = 22;   // (channel, unit) a unit was added
inline constexpr int NavUnitSetting = 23; // (change code, unit) one setting changed
inline constexpr int NavUnitStatus = 24;  // (channel, unit) a unit's status was refreshed
inline constexpr int NavGroupChange = 25; // (change code, 0) group change of the ticked units
inline constexpr int NavPanelMode = 26;   // the remote control panel's mode changed

// remote control panel
inline constexpr int CtrlCurrentUnit = 30; // the current unit changed
inline constexpr int CtrlEmptyStudio = 31; // a studio without units is shown
inline constexpr int CtrlUnitSetting = 32; // (change code, unit) the current unit's setting changed
inline constexpr int CtrlUnitStatus = 33; // (channel, unit) the current unit's status was refreshed
inline constexpr int CtrlSaveCommand = 34;  // toolbar "Save"
inline constexpr int CtrlLoadCommand = 35;  // toolbar "Load"
inline constexpr int CtrlTicksChanged = 36; // the grid's ticks changed (the group's heads)
inline constexpr int CtrlGroupReset = 37;   // the ticked heads' levels were put back: reset offsets

// main frame
inline constexpr int FrameEnableCommand = 50; // (command, 0/1) enable a toolbar command
inline constexpr int FrameBytesReceived = 60; // posted by the reader thread after a burst
inline constexpr int FrameReaderEnded = 61;   // posted by the reader thread when it leaves
inline constexpr int FrameNewUnit = 70;       // (channel, unit) posted by the event handler
inline constexpr int FrameUnitStatus = 71;    // (channel, unit) posted by the event handler
inline constexpr int FrameUnitSetting = 72;   // (change code, unit) sent or posted
inline constexpr int FrameScanStudio = 73;    // posted by the studio list pane

// The five toolbar commands, as the enable message (50) names them in wParam.
enum FrameCommand : int {
    CMD_LOAD = 0,
    CMD_SAVE = 1,
    CMD_SCAN = 2,
    CMD_NAME = 3,
    CMD_COM = 4,
};

} // namespace Msg

} // namespace lumadesk
