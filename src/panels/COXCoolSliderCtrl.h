#pragma once

#include "panels/COXCoolCtrl.h"

#include <QSlider>

class QStyleOptionSlider;

namespace lumadesk {

// A horizontal slider without ticks. Besides QSlider's own thumb tracking (sliderMoved), it
// tells apart how a move ended: released() after any press of the left button on it (a drag,
// a click on the channel), steppedByKey() once for every keyboard or wheel move that changed
// the position.
class COXCoolSliderCtrl : public COXCoolCtrl<QSlider> {
    Q_OBJECT
public:
    explicit COXCoolSliderCtrl(QWidget* parent = nullptr);

    // Where the thumb's centre sits for a value, in the slider's coordinates.
    QPoint ThumbCentre(int value) const;

    // What a position stands for, as a screen reader hears it: the position itself, a level in
    // tenths ("5.0") or an offset from the slider's centre ("-0.5").
    enum class Reading { Position, Level, Offset };
    void setReading(Reading reading) { m_reading = reading; }
    Reading reading() const { return m_reading; }
    QString readingText(int position) const;
    double readingValue(int position) const;
    // A reader's new value, taken as a keyboard step there would be (steppedByKey).
    void stepToReading(double value);

signals:
    void released(int position);
    void steppedByKey(int position);

protected:
    // The channel keeps clear of the ends, so a thumb at either end stays off the group's frame.
    void initStyleOption(QStyleOptionSlider* option) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QRect grooveRect() const;
    QRect thumbRect(int value) const;

    bool m_pressed = false;
    Reading m_reading = Reading::Position;
};

} // namespace lumadesk
