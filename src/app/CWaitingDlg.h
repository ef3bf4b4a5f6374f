#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace lumadesk {

// The small box a channel scan waits in: the studio's name, " scanning ", and one more dot
// each tick; after six ticks it closes itself (accepted). A bar under the text shows how much
// of the wait is left. Its modal loop keeps the main frame handling reports meanwhile.
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
    QProgressBar* waitBar() const { return m_bar; }

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void done(int result) override;

private:
    void showWaitLeft();

    QLabel* m_text;
    QProgressBar* m_bar;
    QString m_progress;
    int m_tickMs;
    int m_ticks = 0;
    int m_timerId = 0;
    bool m_opened = false;
};

} // namespace lumadesk
