#pragma once

#include <QApplication>
#include <QBasicTimer>
#include <QCursor>
#include <QEvent>
#include <QTimerEvent>
#include <QWidget>

namespace lumadesk {

// The flat look of the panels' spin buttons and sliders: flat while idle, the standard look
// while the mouse is over the control or it has the focus. A timer watches the mouse while it
// is over, so the control turns flat again within one tick even when a leave goes missing. A
// disabled control never highlights.
template <class Base> class COXCoolCtrl : public Base {
public:
    static constexpr int kHoverTimerMs = 150;

    using Base::Base;

    bool GetCool() const { return m_cool; }
    void SetCool(bool cool) {
        m_cool = cool;
        if (cool)
            CheckMouse();
        this->update();
    }
    bool IsHighlighted() const { return m_highlighted; }

protected:
    // The flat look shows when this is false.
    bool showsStandardLook() const { return !m_cool || m_highlighted; }

    virtual void SetHighlighted(bool highlighted) {
        highlighted = highlighted && this->isEnabled();
        if (highlighted == m_highlighted)
            return;
        m_highlighted = highlighted;
        this->update();
    }

    // Over when the widget under the cursor is the control or lies inside it.
    void CheckMouse() {
        const QWidget* under = QApplication::widgetAt(QCursor::pos());
        setMouseOver(under != nullptr && (under == this || this->isAncestorOf(under)));
    }

    void setMouseOver(bool over) {
        over = over && this->isEnabled();
        if (over == m_mouseOver)
            return;
        m_mouseOver = over;
        if (over) {
            if (!m_hover.isActive())
                m_hover.start(kHoverTimerMs, this);
            SetHighlighted(true);
        } else {
            m_hover.stop();
            SetHighlighted(this->hasFocus());
        }
    }

    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            setMouseOver(true);
            break;
        case QEvent::Leave:
            setMouseOver(false);
            break;
        case QEvent::FocusIn:
            SetHighlighted(true);
            break;
        case QEvent::FocusOut:
            SetHighlighted(m_mouseOver);
            break;
        case QEvent::EnabledChange:
            if (!this->isEnabled()) {
                m_hover.stop();
                m_mouseOver = false;
                SetHighlighted(false);
            }
            this->update();
            break;
        case QEvent::Timer:
            if (static_cast<QTimerEvent*>(event)->timerId() == m_hover.timerId()) {
                CheckMouse();
                return true;
            }
            break;
        default:
            break;
        }
        return Base::event(event);
    }

private:
    bool m_cool = true;
    bool m_mouseOver = false;
    bool m_highlighted = false;
    QBasicTimer m_hover;
};

} // namespace lumadesk
