#pragma once

#include <QWidget>

namespace lumadesk {

// The selected-units panel's place inside the remote control panel: laid over the power
// controls and shown while "Selected unit(s) settings" is chosen. Its controls come with their
// own work; for now it is an empty form of its template's size.
class CControlSelFormView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogWidth = 205;
    static constexpr int kDialogHeight = 120;

    explicit CControlSelFormView(QWidget* parent = nullptr);

    // Offsets back to "0.0" and no switch chosen; called before every showing.
    virtual void Reset();
};

} // namespace lumadesk
