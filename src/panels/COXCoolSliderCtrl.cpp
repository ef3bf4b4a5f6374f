#include "panels/COXCoolSliderCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace lumadesk {

namespace {

constexpr int kEndMargin = 3;

void drawEdge(QPainter& painter, const QRect& r, const QColor& upperLeft, const QColor& lowerRight,
              const QColor& face) {
    painter.fillRect(r, face);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), upperLeft);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), upperLeft);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), lowerRight);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), lowerRight);
}

} // namespace

COXCoolSliderCtrl::COXCoolSliderCtrl(QWidget* parent) : COXCoolCtrl<QSlider>(parent) {
    setOrientation(Qt::Horizontal);
    setTickPosition(QSlider::NoTicks);
    setAttribute(Qt::WA_Hover);
}

void COXCoolSliderCtrl::initStyleOption(QStyleOptionSlider* option) const {
    QSlider::initStyleOption(option);
    option->rect.adjust(kEndMargin, 0, -kEndMargin, 0);
}

QRect COXCoolSliderCtrl::thumbRect(int value) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = value;
    option.sliderValue = value;
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

QRect COXCoolSliderCtrl::grooveRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

QPoint COXCoolSliderCtrl::ThumbCentre(int value) const {
    return thumbRect(value).center();
}

void COXCoolSliderCtrl::paintEvent(QPaintEvent* event) {
    if (showsStandardLook())
        return QSlider::paintEvent(event);
    QPainter painter(this);
    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    // The channel sunken, the thumb raised, both flat; a disabled thumb in the shadow colour.
    const QRect groove = grooveRect();
    const QRect channel(groove.left(), groove.center().y() - 2, groove.width(), 4);
    drawEdge(painter, channel, shadow, light, face);
    const QRect thumb = thumbRect(sliderPosition());
    if (isEnabled())
        drawEdge(painter, thumb, light, shadow, face);
    else
        drawEdge(painter, thumb, shadow, shadow, face);
}

void COXCoolSliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    COXCoolCtrl<QSlider>::mousePressEvent(event);
}

void COXCoolSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    COXCoolCtrl<QSlider>::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        emit released(sliderPosition());
    }
}

void COXCoolSliderCtrl::keyPressEvent(QKeyEvent* event) {
    const int before = sliderPosition();
    COXCoolCtrl<QSlider>::keyPressEvent(event);
    if (sliderPosition() != before)
        emit steppedByKey(sliderPosition());
}

void COXCoolSliderCtrl::wheelEvent(QWheelEvent* event) {
    const int before = sliderPosition();
    COXCoolCtrl<QSlider>::wheelEvent(event);
    if (sliderPosition() != before)
        emit steppedByKey(sliderPosition());
}

} // namespace lumadesk
