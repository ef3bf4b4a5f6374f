#pragma once

#include <QWidget>

class QLabel;

// The remote control panel's pane, right in the main window's inner splitter. For now it
// carries its caption and takes the messages addressed to it; the controls come with their
// own work.
class CControlFormView : public QWidget {
    Q_OBJECT
public:
    explicit CControlFormView(QWidget* parent = nullptr);

    QString caption() const;

protected:
    void customEvent(QEvent* event) override;

private:
    QLabel* m_caption;
};
