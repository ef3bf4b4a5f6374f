#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace lumadesk {

// A value field: its own text and background colours whatever the system palette says. The
// text it shows is also its accessible description, so a reader says "Flash level, 4.5".
//
// Once given a range it also takes a typed value: a double click, or Enter while it has the
// focus, opens an editor over it; Enter there emits valueTyped with the value in tenths, kept
// to the range; Escape or leaving the editor closes it unchanged. Text that is no value keeps
// the editor open with the text selected, so the operator can type it again.
class CUserStatic : public QLabel {
    Q_OBJECT
public:
    explicit CUserStatic(QWidget* parent = nullptr);

    QColor textColor;
    QColor backgroundColor;

    void SetValueText(const QString& text);

    void EnableTyping(int lowest, int highest);
    void OpenEditor();
    // The open editor, or null.
    QLineEdit* editor() const { return m_editor; }

signals:
    void valueTyped(int tenths);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitEditor();
    void closeEditor();

    bool m_typing = false;
    int m_lowest = 0;
    // "Type a level from 1.1 to 8.1" (or an offset): the editor's tip, shown when it refuses.
    QString rangeText() const;
    int m_highest = 0;
    QPointer<QLineEdit> m_editor;
};

} // namespace lumadesk
