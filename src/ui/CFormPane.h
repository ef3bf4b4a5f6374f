#pragma once

#include <QWidget>

namespace lumadesk {

class COXSeparator;

// A pane of the main window: its caption line (navy text and an etched line) on top, and the
// window messages of its own number range taken in one customEvent. Panes derive from it.
class CFormPane : public QWidget {
    Q_OBJECT
public:
    CFormPane(const QString& caption, int firstMessage, int lastMessage, QWidget* parent);

    QString caption() const;

protected:
    // Accepts the messages of the pane's range (result 0); others go to QWidget.
    void customEvent(QEvent* event) override;

    // For a pane that lays out its own form: the caption, to be placed there.
    lumadesk::COXSeparator* captionControl() const { return m_caption; }

private:
    lumadesk::COXSeparator* m_caption;
    int m_firstMessage;
    int m_lastMessage;
};

} // namespace lumadesk
