#pragma once

#include <QPointer>

class QObject;
class QWidget;

namespace lumadesk {

class CWaitingDlg;
class RadioLink;

// A channel scan of the current studio: the link takes its first steps (the studio is emptied,
// the studio list pane is told, the dongle addresses the studio's group, the studio becomes
// the scanned one), then the wait box runs modally while the heads that answer are added by
// their reports. Returns 0 without doing anything when there is no current studio, else 1
// once the box has closed.
// While it runs, *box (when given) points at the wait box, so the caller can close it early.
int RunChannelScan(lumadesk::RadioLink& link, QObject* studioListPane, QWidget* parent, int tickMs,
                   QPointer<CWaitingDlg>* box = nullptr);

} // namespace lumadesk
