#pragma once

#include <QColor>
#include <QLabel>

namespace lumadesk {

// A caption followed by an etched line through its middle: the pane titles. Its colours are
// plain members set by the owner; the system palette does not change them afterwards, except
// that text which would not read on the palette's background is drawn in a readable kin of
// its colour.
class COXSeparator : public QLabel {
    Q_OBJECT
public:
    explicit COXSeparator(const QString& text = {}, QWidget* parent = nullptr);

    QColor textColor;
    QColor upperLeftColor;  // the line's upper edge
    QColor lowerRightColor; // the line's lower edge

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumadesk
