#include "panels/CUserButton.h"

namespace lumadesk {

CUserButton::CUserButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setCheckable(true);
    setAccessibleName(caption);
    followTick();
}

void CUserButton::checkStateSet() {
    QPushButton::checkStateSet();
    followTick();
}

void CUserButton::nextCheckState() {
    QPushButton::nextCheckState();
    followTick();
}

void CUserButton::followTick() {
    setText(isChecked() ? QStringLiteral("Power\nOn") : QStringLiteral("Power\nOff"));
}

} // namespace lumadesk
