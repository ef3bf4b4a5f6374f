#pragma once

#include <QToolBar>
#include <array>

class QAction;

// The five toolbar commands, numbered as the enable message (wParam 0-4) names them.
enum FrameCommand : int {
    CMD_LOAD = 0,
    CMD_SAVE = 1,
    CMD_SCAN = 2,
    CMD_NAME = 3,
    CMD_COM = 4,
};
inline constexpr int kFrameCommandCount = 5;

// Load, Save | Scan, Name | Com: flat 30 x 30 buttons with tool tips and a status-bar prompt,
// fixed at the top of the frame. Each command is enabled exactly when its flag is 1.
class CMainToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CMainToolBar(QWidget* parent = nullptr);

    QAction* command(int id) const;
    void applyFlags(const std::array<int, kFrameCommandCount>& flags);

private:
    std::array<QAction*, kFrameCommandCount> m_commands{};
};
