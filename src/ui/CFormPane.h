#pragma once

#include <QWidget>

class QLabel;

// A pane of the main window: its caption line (navy, bold) on top, and the window messages of
// its own number range taken in one customEvent. Panes derive from it.
class CFormPane : public QWidget {
    Q_OBJECT
public:
    CFormPane(const QString& caption, int firstMessage, int lastMessage, QWidget* parent);

    QString caption() const;

protected:
    // Accepts the messages of the pane's range (result 0); others go to QWidget.
    void customEvent(QEvent* event) override;

private:
    QLabel* m_caption;
    int m_firstMessage;
    int m_lastMessage;
};
