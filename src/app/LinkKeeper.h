#pragma once

#include "platform/ComSettings.h"

#include <QObject>
#include <QString>
#include <functional>

namespace lumadesk {

class RadioLink;

// Keeps the radio link open: while it is down, the retry timer tries to open the port with the
// COM settings every 500 ms; a successful open stops the timer, the reader's end starts it
// again. It tells the state to whoever shows it ("Zigbee connected" / "Zigbee disconnected").
// The link and the settings are the main frame's; this only drives them.
class LinkKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 500;

    using StateText = std::function<void(const QString&)>;

    LinkKeeper(lumadesk::RadioLink& link, const ComSettings& settings, StateText show);

    // Who shows why the port would not open ("/dev/ttyUSB0: is held by another program"); an
    // empty text once it is open again.
    void setReasonText(StateText show) { m_showReason = std::move(show); }
    // Told after the port opened (true) and after a live link was lost (false).
    void setChanged(std::function<void(bool up)> changed) { m_changed = std::move(changed); }

    static QString connectedText() { return QStringLiteral("Zigbee connected"); }
    static QString disconnectedText() { return QStringLiteral("Zigbee disconnected"); }

    bool isUp() const { return m_up; }
    bool isRetrying() const { return m_timerId != 0; }
    int retryTimerId() const { return m_timerId; }

    // Starts the retry timer; the first tick opens the port.
    void start();

    // The reader thread said it ended (its end message). Ends that belong to a reader closed
    // before the current link was opened are ignored, so a late message cannot take a live
    // link down.
    void readerEnded();

    // Before the COM settings dialog: no retries, and the link is closed if it was up. The
    // reader's end message still arrives and is handled as usual while the dialog is open.
    void suspendForSettings();
    // After the dialog. OK: open with the settings now held (a link the retry timer reopened
    // meanwhile is reopened only when the settings changed); otherwise the retry timer takes
    // over. Cancel: retries restart unless the link came back meanwhile.
    void resumeAfterSettings(bool accepted);

signals:
    // The same news as setChanged's, for listeners that connect (the phone remote).
    void upChanged(bool up);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool open();
    void startRetry();
    void stopRetry();

    lumadesk::RadioLink& m_link;
    const ComSettings& m_settings;
    StateText m_show;
    StateText m_showReason;
    std::function<void(bool)> m_changed;
    bool m_up = false;
    int m_timerId = 0;
    int m_readersRunning = 0; // readers started whose end message has not come yet
    ComSettings m_openedWith;
};

} // namespace lumadesk
