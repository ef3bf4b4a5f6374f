#pragma once

#include "model/Confirmation.h"

#include <QWidget>

class QPainter;

namespace lumadesk {

// The one mark for a value the head has not confirmed, the same beside the remote control
// panel's value fields and on the grid's blocks: a clock while it is under way, a warning sign
// once its time ran out, a crossed square when its frame never left, nothing when confirmed. The
// shapes differ, so the state reads without colour; the value's own text keeps its colour.
void PaintConfirmationMark(QPainter& painter, const QRect& box, Confirmation state);

// A mark as a small widget with the state in words as its tip and accessible description
// ("flash 6.5 sent, CH-02 has not confirmed it"). Hidden while the value is confirmed.
class ConfirmationMark : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 14;

    explicit ConfirmationMark(const QString& name, QWidget* parent = nullptr);

    void show(Confirmation state, const QString& words);
    Confirmation state() const { return m_state; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Confirmation m_state = Confirmation::Confirmed;
};

} // namespace lumadesk
