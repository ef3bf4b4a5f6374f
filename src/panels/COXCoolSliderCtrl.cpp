#include "panels/COXCoolSliderCtrl.h"

#include "model/PowerLevel.h"
#include "model/PowerValues.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

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

// A slider that tells a reader the level it sets, not its raw position.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(COXCoolSliderCtrl* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return slider()->readingText(slider()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->readingValue(slider()->value()); }
    void setCurrentValue(const QVariant& value) override {
        slider()->stepToReading(value.toDouble());
    }
    QVariant maximumValue() const override { return slider()->readingValue(slider()->maximum()); }
    QVariant minimumValue() const override { return slider()->readingValue(slider()->minimum()); }
    QVariant minimumStepSize() const override {
        return slider()->readingValue(1) - slider()->readingValue(0);
    }

private:
    COXCoolSliderCtrl* slider() const { return static_cast<COXCoolSliderCtrl*>(widget()); }
};

QAccessibleInterface* sliderFactory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<COXCoolSliderCtrl*>(object))
        return new SliderAccessible(slider);
    return nullptr;
}

} // namespace

COXCoolSliderCtrl::COXCoolSliderCtrl(QWidget* parent) : COXCoolCtrl<QSlider>(parent) {
    static const bool installed = (QAccessible::installFactory(sliderFactory), true);
    (void)installed;
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

QString COXCoolSliderCtrl::readingText(int position) const {
    switch (m_reading) {
    case Reading::Level:
        return FormatPowerLevel(position);
    case Reading::Offset:
        return FormatPowerOffset(OffsetOfSliderPosition(position));
    case Reading::Position:
        break;
    }
    return QString::number(position);
}

double COXCoolSliderCtrl::readingValue(int position) const {
    switch (m_reading) {
    case Reading::Level:
        return position / 10.0;
    case Reading::Offset:
        return OffsetOfSliderPosition(position) / 10.0;
    case Reading::Position:
        break;
    }
    return position;
}

void COXCoolSliderCtrl::stepToReading(double value) {
    int position = int(std::lround(value));
    if (m_reading == Reading::Level)
        position = int(std::lround(value * 10));
    else if (m_reading == Reading::Offset)
        position = OffsetSliderPosition(int(std::lround(value * 10)));
    position = std::clamp(position, minimum(), maximum());
    if (!isEnabled() || position == sliderPosition())
        return;
    setValue(position);
    emit steppedByKey(position);
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
