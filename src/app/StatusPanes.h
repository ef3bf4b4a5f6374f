#pragma once

#include <QLabel>
#include <QStringList>

class QFontMetrics;

namespace lumadesk {

// The longest run of whole words of text that fits width with "…" after it; text itself when it
// fits. Only a first word too long for the width is cut inside.
QString ElideWords(const QString& text, const QFontMetrics& metrics, int width);

// A status bar pane: one line, cut only between words and then ending in "…", the whole line in
// its tool tip. A narrow pane shows the first of its shorter forms that fits instead. To a
// screen reader the pane's value and text are the whole line, and a change is announced as a
// text update.
class StatusPane : public QLabel {
    Q_OBJECT
public:
    StatusPane(const QString& name, const QString& text, QWidget* parent);

    // Hides QLabel's: every change of the line goes through here. Shorter forms longest first.
    void setText(const QString& text, const QStringList& shorter = {});
    // What the pane draws at its present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_shorter;
};

} // namespace lumadesk
