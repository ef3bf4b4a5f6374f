#include "app/StatusPanes.h"

#include "ui/PlainText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>

namespace lumadesk {

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

// The pane's line as a reader's text: read-only, no caret, no selection; the whole line even
// where the pane shows less.
class PaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PaneAccessible(StatusPane* pane) : QAccessibleWidget(pane, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return line();
        // Not the tool tip, which repeats the line.
        if (t == QAccessible::Description)
            return widget()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }

    QString text(int start, int end) const override { return line().mid(start, end - start); }
    int characterCount() const override { return int(line().size()); }
    QRect characterRect(int offset) const override {
        const QString shown = pane()->shownText();
        if (offset < 0 || offset >= shown.size())
            return {};
        const QFontMetrics metrics = pane()->fontMetrics();
        const QRect room = pane()->contentsRect();
        const QRect local(room.left() + metrics.horizontalAdvance(shown.left(offset)), room.top(),
                          metrics.horizontalAdvance(shown.at(offset)), room.height());
        return QRect(pane()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QString shown = pane()->shownText();
        for (int offset = 0; offset < shown.size(); ++offset) {
            if (characterRect(offset).contains(point))
                return offset;
        }
        return -1;
    }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    StatusPane* pane() const { return static_cast<StatusPane*>(widget()); }
    QString line() const { return pane()->text(); }
};

QAccessibleInterface* paneFactory(const QString&, QObject* object) {
    auto* pane = qobject_cast<StatusPane*>(object);
    return pane != nullptr ? new PaneAccessible(pane) : nullptr;
}

} // namespace

QString ElideWords(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    QString best;
    for (qsizetype space = text.indexOf(u' '); space > 0; space = text.indexOf(u' ', space + 1)) {
        QString head = text.left(space);
        // "port 3;…" reads as if something followed in the same breath.
        while (!head.isEmpty() && QStringView(u" ;,:").contains(head.back()))
            head.chop(1);
        if (head.isEmpty())
            continue;
        if (metrics.horizontalAdvance(head + kEllipsis) > width)
            break;
        best = head;
    }
    return best.isEmpty() ? metrics.elidedText(text, Qt::ElideRight, width) : best + kEllipsis;
}

StatusPane::StatusPane(const QString& name, const QString& text, QWidget* parent) : QLabel(parent) {
    static const bool readersHearPanes = (QAccessible::installFactory(paneFactory), true);
    (void)readersHearPanes;
    setAccessibleName(name);
    setTextFormat(Qt::PlainText);
    setText(text);
}

void StatusPane::setText(const QString& text, const QStringList& shorter) {
    m_shorter = shorter;
    update();
    const QString before = QLabel::text();
    if (text == before)
        return;
    QLabel::setText(text);
    setToolTip(text.trimmed().isEmpty() ? QString() : PlainToolTip(text));
    QAccessibleTextUpdateEvent event(this, 0, before, text);
    QAccessible::updateAccessibility(&event);
}

QString StatusPane::shownText() const {
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    if (metrics.horizontalAdvance(text()) <= room)
        return text();
    for (const QString& form : m_shorter) {
        if (metrics.horizontalAdvance(form) <= room)
            return form;
    }
    return ElideWords(m_shorter.isEmpty() ? text() : m_shorter.back(), metrics, room);
}

void StatusPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                          shownText(), foregroundRole());
}

} // namespace lumadesk
