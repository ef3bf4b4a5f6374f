#pragma once

#include <QPushButton>

namespace lumadesk {

// The "Power On" push-like check box: its caption follows its tick, "Power\nOn" or
// "Power\nOff", also when a program ticks it.
class CUserButton : public QPushButton {
    Q_OBJECT
public:
    explicit CUserButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void followTick();
};

} // namespace lumadesk
