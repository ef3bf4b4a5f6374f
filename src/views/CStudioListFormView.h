#pragma once

#include <QWidget>

class QLabel;

// The studio tree's pane, left in the main window's inner splitter. For now it carries its
// caption and takes the messages addressed to it; the tree comes with its own work.
class CStudioListFormView : public QWidget {
    Q_OBJECT
public:
    explicit CStudioListFormView(QWidget* parent = nullptr);

    QString caption() const;

protected:
    void customEvent(QEvent* event) override;

private:
    QLabel* m_caption;
};
