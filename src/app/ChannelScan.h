#pragma once

class CZbProtocol;
class QObject;
class QWidget;
struct StudioModel;

// A channel scan of the current studio: it is emptied, the studio list pane is told (sent, so
// the tree lets go of its items before anything else happens), the dongle is told to address
// the studio's group, the studio becomes the scanned one, and the wait box runs modally while
// the heads that answer are added by their reports. Returns 0 without doing anything when
// there is no current studio, else 1 once the box has closed.
int RunChannelScan(StudioModel& model, CZbProtocol& protocol, QObject* studioListPane,
                   QWidget* parent, int tickMs);
