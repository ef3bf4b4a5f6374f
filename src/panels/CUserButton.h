#pragma once

#include <QPushButton>

namespace lumadesk {

// The "Power On" push-like check box: its caption follows its tick, "Power\nOn" or
// "Power\nOff", also when a program ticks it. Heads that differ make it read "Power" alone
// until it is ticked or clicked.
class CUserButton : public QPushButton {
    Q_OBJECT
public:
    explicit CUserButton(const QString& caption, QWidget* parent = nullptr);

    // Set after the tick: the heads it stands for are neither all on nor all off.
    void setMixed(bool mixed);
    bool isMixed() const { return m_mixed; }

protected:
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void followTick();

    bool m_mixed = false;
};

} // namespace lumadesk
