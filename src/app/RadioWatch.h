#pragma once

#include <QObject>
#include <QString>

namespace lumadesk {

class CMainFrame;
class HeardMarks;
class RadioTrafficDock;
class StatusPane;

// How the radio is doing, for the operator: the heard and confirmation marks on the grid and
// the tree, the status bar's heads pane ("Studio A: 4 heads, all answering"), and the traffic
// log with its dock under View. Made by the main frame once its panes exist; refreshed once a
// second.
class RadioWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 1000;

    explicit RadioWatch(CMainFrame& frame);

    HeardMarks* marks() const { return m_marks; }
    RadioTrafficDock* trafficDock() const { return m_dock; }
    // Full: "Studio A: 4 heads, 1 not answering" ("..., all answering"); short: "Studio A: 3/4
    // answering"; counts: "Studio A: 3/4".
    enum class HeadsForm { Full, Short, Counts };
    QString headsText(HeadsForm form = HeadsForm::Full) const;
    StatusPane* headsPane() const { return m_headsPane; }

    void refresh();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    CMainFrame& m_frame;
    HeardMarks* m_marks = nullptr;
    RadioTrafficDock* m_dock = nullptr;
    bool m_refreshAtDrainEnd = false;
    StatusPane* m_headsPane = nullptr;
    int m_timerId = 0;
};

} // namespace lumadesk
