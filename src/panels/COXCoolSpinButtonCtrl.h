#pragma once

#include "panels/COXCoolCtrl.h"

#include <QBasicTimer>
#include <QWidget>

namespace lumadesk {

// An up-down control without an edit field: two arrow halves. Every click, every repeat while
// an arrow is held, and the Up and Down keys report a pending change: -1 for up, +1 for down.
// It keeps no position of its own. The repeat stops as soon as the control loses the mouse: a
// box or another window takes it, or the control is hidden or disabled; the release then goes
// elsewhere and would never stop it.
class COXCoolSpinButtonCtrl : public COXCoolCtrl<QWidget> {
    Q_OBJECT
public:
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatMs = 100;

    explicit COXCoolSpinButtonCtrl(QWidget* parent = nullptr);

    // What a click on an arrow does; assistive technology calls it for its actions.
    void Click(int change);

    QRect upRect() const;
    QRect downRect() const;

signals:
    void deltaPos(int change);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void letGo();
    bool stillHeld() const;

    int m_held = 0; // the change of the arrow held down, 0 when none
    QPoint m_mouseAt;
    QBasicTimer m_repeat;
};

} // namespace lumadesk
