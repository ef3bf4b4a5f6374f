#pragma once

#include <QDialog>

class QLabel;

namespace lumadesk {

// The small box a channel scan waits in: the studio's name, " scanning ", and one more dot
// each tick; after six ticks it closes itself (accepted). Its modal loop keeps the main frame
// handling reports meanwhile.
class CWaitingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTickLimit = 6;
    static constexpr int kDefaultTickMs = 1000;

    CWaitingDlg(const QString& studioName, QWidget* parent = nullptr, int tickMs = kDefaultTickMs);

    QString progressText() const { return m_progress; }
    int tickCount() const { return m_ticks; }
    // The tick timer's id while the box is open, else 0.
    int tickTimerId() const { return m_timerId; }

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void done(int result) override;

private:
    QLabel* m_text;
    QString m_progress;
    int m_tickMs;
    int m_ticks = 0;
    int m_timerId = 0;
    bool m_opened = false;
};

} // namespace lumadesk
