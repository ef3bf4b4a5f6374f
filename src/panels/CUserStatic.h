#pragma once

#include <QColor>
#include <QLabel>

namespace lumadesk {

// A value field: its own text and background colours whatever the system palette says. The
// text it shows is also its accessible description, so a reader says "Flash level, 4.5".
class CUserStatic : public QLabel {
    Q_OBJECT
public:
    explicit CUserStatic(QWidget* parent = nullptr);

    QColor textColor;
    QColor backgroundColor;

    void SetValueText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumadesk
