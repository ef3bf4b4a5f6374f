#pragma once

class QSettings;

namespace lumadesk {

class CMainFrame;

// The window's place and size, both splitters' columns and the docks, kept in the user's
// settings ("Window" group) from one run to the next. Without saved values the frame keeps the
// sizes it was built with.
void RestoreWindowLayout(CMainFrame& frame, QSettings& settings);
void SaveWindowLayout(const CMainFrame& frame, QSettings& settings);

} // namespace lumadesk
