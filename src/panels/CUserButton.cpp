#include "panels/CUserButton.h"

namespace lumadesk {

CUserButton::CUserButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setCheckable(true);
    setAccessibleName(caption);
    followTick();
}

void CUserButton::setMixed(bool mixed) {
    m_mixed = mixed;
    followTick();
}

void CUserButton::checkStateSet() {
    QPushButton::checkStateSet();
    m_mixed = false;
    followTick();
}

void CUserButton::nextCheckState() {
    QPushButton::nextCheckState();
    m_mixed = false;
    followTick();
}

void CUserButton::followTick() {
    // "On" or "Off" would be untrue of some of the heads: it says less.
    if (m_mixed)
        setText(QStringLiteral("Power"));
    else
        setText(isChecked() ? QStringLiteral("Power\nOn") : QStringLiteral("Power\nOff"));
}

} // namespace lumadesk
