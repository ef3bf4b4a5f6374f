#pragma once

#include <QWidget>

class QLabel;

// The channel grid's pane, right in the main window's outer splitter, and the address of all
// news about units. For now it carries its caption and takes the messages addressed to it; the
// grid comes with its own work.
class CNavigationFormView : public QWidget {
    Q_OBJECT
public:
    explicit CNavigationFormView(QWidget* parent = nullptr);

    QString caption() const;

protected:
    void customEvent(QEvent* event) override;

private:
    QLabel* m_caption;
};
