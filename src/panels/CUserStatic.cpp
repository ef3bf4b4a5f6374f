#include "panels/CUserStatic.h"

#include "model/PowerLevel.h"
#include "ui/CachedText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>

namespace lumadesk {

CUserStatic::CUserStatic(QWidget* parent)
    : QLabel(parent), textColor(Qt::black), backgroundColor(Qt::white) {
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void CUserStatic::SetValueText(const QString& text) {
    if (text == this->text() && text == accessibleDescription())
        return; // a report that repeats the value draws nothing
    setText(text);
    setAccessibleDescription(text);
}

void CUserStatic::EnableTyping(int lowest, int highest) {
    m_typing = true;
    m_lowest = lowest;
    m_highest = highest;
    setFocusPolicy(Qt::StrongFocus);
}

void CUserStatic::OpenEditor() {
    if (!m_typing || !isEnabled() || !isVisible() || m_editor != nullptr)
        return;
    m_editor = new QLineEdit(this);
    m_editor->setAccessibleName(accessibleName() + QStringLiteral(" entry"));
    m_editor->setFont(font());
    m_editor->setAlignment(Qt::AlignCenter);
    // The value font fills the field: a frame would cut the digits. The white ground says
    // "editing" against the field's grey.
    m_editor->setFrame(false);
    m_editor->setGeometry(rect());
    // "OFF" or an empty field gives an empty editor.
    m_editor->setText(ParsePowerText(text()) ? text() : QString());
    m_editor->setPlaceholderText(m_lowest < 0 ? QStringLiteral("offset") : QStringLiteral("level"));
    m_editor->setToolTip(rangeText());
    m_editor->selectAll();
    m_editor->installEventFilter(this);
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
}

QString CUserStatic::rangeText() const {
    // An offset is signed: "+0.5", "-1"; a bare number is raised.
    return m_lowest < 0 ? QStringLiteral("Type an offset from %1 to +%2")
                              .arg(FormatPowerOffset(m_lowest), FormatPowerOffset(m_highest))
                        : QStringLiteral("Type a level from %1 to %2")
                              .arg(FormatPowerLevel(m_lowest), FormatPowerLevel(m_highest));
}

void CUserStatic::commitEditor() {
    const std::optional<int> typed = ParsePowerText(m_editor->text());
    // A value out of range is refused, not clamped: 9.5 is no typing slip for 8.1.
    if (!typed || *typed < m_lowest || *typed > m_highest) {
        m_editor->selectAll();
        QToolTip::showText(m_editor->mapToGlobal(QPoint(0, m_editor->height())), rangeText(),
                           m_editor);
        QApplication::beep();
        return;
    }
    closeEditor();
    emit valueTyped(*typed);
}

void CUserStatic::closeEditor() {
    if (m_editor == nullptr)
        return;
    QLineEdit* editor = m_editor;
    m_editor = nullptr;
    editor->removeEventFilter(this);
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    // Gone from the form at once; deleted once the key that closed it has been handled.
    editor->setParent(nullptr);
    editor->deleteLater();
    if (hadFocus && isEnabled() && isVisible())
        setFocus(Qt::OtherFocusReason);
}

bool CUserStatic::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_editor)
        return QLabel::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitEditor();
            return true;
        }
        if (key == Qt::Key_Escape) {
            closeEditor();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // A value the operator did not confirm never reaches a head.
        closeEditor();
    }
    return QLabel::eventFilter(watched, event);
}

void CUserStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_typing)
        return QLabel::mouseDoubleClickEvent(event);
    OpenEditor();
}

void CUserStatic::keyPressEvent(QKeyEvent* event) {
    if (m_typing && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        return OpenEditor();
    QLabel::keyPressEvent(event);
}

void CUserStatic::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        closeEditor();
    QLabel::changeEvent(event);
}

void CUserStatic::hideEvent(QHideEvent* event) {
    closeEditor();
    QLabel::hideEvent(event);
}

void CUserStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor);
    painter.setPen(textColor);
    painter.setFont(font());
    DrawCachedText(&painter, rect(), alignment(), text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = backgroundColor;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace lumadesk
