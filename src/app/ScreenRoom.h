#pragma once

#include <QObject>
#include <QSize>

class QDockWidget;
class QMainWindow;
class QWidget;

namespace lumadesk {

// The screen's free area a top-level window may take, less the frame a window manager adds.
QSize RoomForWindow(const QWidget& window);

// Gives the window its first-start size, limited to the room on its screen; the minimum size is
// limited the same way, so a small or magnified screen still shows the whole window.
void FitFirstSize(QWidget& window, QSize wanted);

// Keeps a dock that the operator opens from taking the room of what the window already shows:
// each time it opens inside the window, the window grows by the dock's height when the screen
// has room below it, else the dock floats beside the window. A window grown for the dock gives
// the room back when it closes. A dock dragged back into the window stays there while open.
class DockRoom : public QObject {
    Q_OBJECT
public:
    DockRoom(QMainWindow& window, QDockWidget& dock);

    // How much the window grew for the dock (0: it did not).
    int grownBy() const { return m_grownBy; }

private:
    void opened();
    void closed();

    QMainWindow& m_window;
    QDockWidget& m_dock;
    int m_grownBy = 0;
};

} // namespace lumadesk
