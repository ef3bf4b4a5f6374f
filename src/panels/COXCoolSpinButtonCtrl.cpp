#include "panels/COXCoolSpinButtonCtrl.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace lumadesk {

namespace {

// Offers increase and decrease, as a spin box does, so a reader can step the level.
class SpinAccessible : public QAccessibleWidget {
public:
    explicit SpinAccessible(COXCoolSpinButtonCtrl* spin)
        : QAccessibleWidget(spin, QAccessible::SpinBox) {}

    QStringList actionNames() const override {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        auto* spin = static_cast<COXCoolSpinButtonCtrl*>(widget());
        if (action == increaseAction())
            spin->Click(-1);
        else if (action == decreaseAction())
            spin->Click(1);
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* spinFactory(const QString&, QObject* object) {
    if (auto* spin = qobject_cast<COXCoolSpinButtonCtrl*>(object))
        return new SpinAccessible(spin);
    return nullptr;
}

void drawFlatEdge(QPainter& painter, const QRect& r, const QColor& upperLeft,
                  const QColor& lowerRight) {
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), upperLeft);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), upperLeft);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), lowerRight);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), lowerRight);
}

} // namespace

COXCoolSpinButtonCtrl::COXCoolSpinButtonCtrl(QWidget* parent) : COXCoolCtrl<QWidget>(parent) {
    static const bool installed = (QAccessible::installFactory(spinFactory), true);
    (void)installed;
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void COXCoolSpinButtonCtrl::Click(int change) {
    if (isEnabled() && change != 0)
        emit deltaPos(change);
}

QRect COXCoolSpinButtonCtrl::upRect() const {
    return QRect(0, 0, width(), height() / 2);
}

QRect COXCoolSpinButtonCtrl::downRect() const {
    return QRect(0, height() / 2, width(), height() - height() / 2);
}

void COXCoolSpinButtonCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    for (int change : {-1, 1}) {
        const QRect half = change < 0 ? upRect() : downRect();
        QStyleOption option;
        option.initFrom(this);
        option.rect = half;
        if (showsStandardLook()) {
            option.state |= m_held == change ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        } else {
            painter.fillRect(half, pal.color(QPalette::Button));
            if (half.height() > 3)
                drawFlatEdge(painter, half, pal.color(QPalette::Light), pal.color(QPalette::Dark));
        }
        option.rect = half.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(change < 0 ? QStyle::PE_IndicatorArrowUp
                                          : QStyle::PE_IndicatorArrowDown,
                               &option, &painter, this);
    }
}

void COXCoolSpinButtonCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return COXCoolCtrl<QWidget>::mousePressEvent(event);
    m_mouseAt = event->position().toPoint();
    m_held = upRect().contains(m_mouseAt) ? -1 : 1;
    Click(m_held);
    m_repeat.start(kRepeatDelayMs, this);
    update();
}

void COXCoolSpinButtonCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        letGo();
    COXCoolCtrl<QWidget>::mouseReleaseEvent(event);
}

void COXCoolSpinButtonCtrl::letGo() {
    if (m_held == 0 && !m_repeat.isActive())
        return;
    m_held = 0;
    m_repeat.stop();
    update();
}

// A modal box or a popup that opened since the press takes the mouse, and with it the release.
bool COXCoolSpinButtonCtrl::stillHeld() const {
    const QWidget* modal = QApplication::activeModalWidget();
    const QWidget* popup = QApplication::activePopupWidget();
    return m_held != 0 && isVisible() && isEnabled() &&
           (modal == nullptr || modal->isAncestorOf(this)) &&
           (popup == nullptr || popup->isAncestorOf(this));
}

void COXCoolSpinButtonCtrl::mouseMoveEvent(QMouseEvent* event) {
    m_mouseAt = event->position().toPoint();
    COXCoolCtrl<QWidget>::mouseMoveEvent(event);
}

void COXCoolSpinButtonCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        Click(-1);
    else if (event->key() == Qt::Key_Down)
        Click(1);
    else
        COXCoolCtrl<QWidget>::keyPressEvent(event);
}

void COXCoolSpinButtonCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_repeat.timerId())
        return COXCoolCtrl<QWidget>::timerEvent(event);
    if (!stillHeld())
        return letGo();
    // Held while the mouse is still on the same arrow.
    if ((m_held < 0 ? upRect() : downRect()).contains(m_mouseAt))
        Click(m_held);
    m_repeat.start(kRepeatMs, this);
}

void COXCoolSpinButtonCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        letGo();
    COXCoolCtrl<QWidget>::changeEvent(event);
}

bool COXCoolSpinButtonCtrl::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
    case QEvent::WindowBlocked:
        letGo();
        break;
    default:
        break;
    }
    return COXCoolCtrl<QWidget>::event(event);
}

} // namespace lumadesk
