#pragma once

#include "platform/Messages.h"

#include <QToolBar>
#include <array>

class QAction;

namespace lumadesk {

inline constexpr int kFrameCommandCount = 5; // Msg::CMD_LOAD .. Msg::CMD_COM

// Load, Save | Scan, Name | Com: flat 30 x 30 buttons with tool tips and a status-bar prompt,
// fixed at the top of the frame. Each command is enabled exactly when its flag is 1, and has a
// key anywhere in the window from the shortcuts table, named in its tool tip.
class CMainToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CMainToolBar(QWidget* parent = nullptr);

    QAction* command(int id) const;
    void applyFlags(const std::array<int, kFrameCommandCount>& flags);

private:
    std::array<QAction*, kFrameCommandCount> m_commands{};
};

} // namespace lumadesk
