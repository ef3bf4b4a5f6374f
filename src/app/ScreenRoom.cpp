#include "app/ScreenRoom.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>

namespace lumadesk {

namespace {

QRect availableOf(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

QSize RoomForWindow(const QWidget& window) {
    const QRect available = availableOf(window);
    if (available.isEmpty())
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The window manager's frame is not known before the window shows: allow for a usual one.
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    return available.size() - QSize(2 * border, titleBar + 2 * border);
}

void FitFirstSize(QWidget& window, QSize wanted) {
    // A screen with room for the window keeps its size exact; only a smaller one limits it.
    const QSize available = availableOf(window).size();
    const QSize room = RoomForWindow(window);
    QSize size = wanted;
    if (!available.isEmpty() && wanted.width() > available.width())
        size.setWidth(room.width());
    if (!available.isEmpty() && wanted.height() > room.height())
        size.setHeight(room.height());
    window.setMinimumSize(size);
    window.resize(size);
}

DockRoom::DockRoom(QMainWindow& window, QDockWidget& dock)
    : QObject(&dock), m_window(window), m_dock(dock) {
    // The operator's own toggles only; a layout restored at start-up places the dock itself.
    connect(dock.toggleViewAction(), &QAction::triggered, this,
            [this](bool on) { on ? opened() : closed(); });
}

void DockRoom::opened() {
    if (m_dock.isFloating() || m_window.isMaximized() || m_window.isFullScreen())
        return;
    const QRect available = availableOf(m_window);
    const QRect frame = m_window.frameGeometry();
    const int separator =
        m_window.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &m_window);
    const QSize dockSize = m_dock.sizeHint().expandedTo(QSize(m_window.width(), 0));
    const int need = dockSize.height() + separator;
    if (frame.bottom() + need <= available.bottom()) {
        m_window.resize(m_window.width(), m_window.height() + need);
        m_window.resizeDocks({&m_dock}, {dockSize.height()}, Qt::Vertical);
        m_grownBy = need;
        return;
    }
    // Beside the window where the screen has room, else over its lower edge: floating, it can
    // be moved aside, and the window keeps its layout.
    m_dock.setFloating(true);
    QSize size = dockSize.boundedTo(available.size());
    QPoint at;
    if (available.right() - frame.right() >= size.width() / 2) {
        size.setWidth(std::min(size.width(), available.right() - frame.right()));
        at = QPoint(frame.right() + 1, frame.top());
    } else {
        at = QPoint(frame.left(), std::min(frame.bottom() + 1, available.bottom() - size.height()));
    }
    m_dock.resize(size);
    m_dock.move(at.x(), std::clamp(at.y(), available.top(), available.bottom() - size.height()));
}

void DockRoom::closed() {
    if (m_grownBy == 0)
        return;
    if (!m_window.isMaximized() && !m_window.isFullScreen())
        m_window.resize(m_window.width(),
                        std::max(m_window.minimumHeight(), m_window.height() - m_grownBy));
    m_grownBy = 0;
}

} // namespace lumadesk
