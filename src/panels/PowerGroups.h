#pragma once

#include "panels/PanelSettingTable.h"
#include "ui/DialogFont.h"

#include <QColor>
#include <QSignalBlocker>
#include <QSlider>
#include <QString>
#include <functional>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace lumadesk {

class COXCoolSliderCtrl;
class COXCoolSpinButtonCtrl;
class CUserButton;
class CUserStatic;

// What the power groups of both control panels share: identifiers, look and handling.

// The value fields keep these colours whatever the palette says.
inline const QColor kValueText(0, 192, 0);
inline const QColor kValueBackground(240, 240, 240);

// A group's frame runs through the middle of its title, as the template's boxes are drawn; the
// controls inside were placed against that line.
inline QString groupBoxStyle() {
    return QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 0.5em; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");
}

// A move made by the panel itself, which must not come back as the operator's.
inline void setSlider(QSlider* slider, int position) {
    const QSignalBlocker quiet(slider);
    slider->setValue(position);
}

// Where one panel's pair of groups differs from the other's.
struct PowerGroupLook {
    int top = 0;         // the groups' top edge, in dialog units
    QString word;        // what the values are, for the accessible names: "level", "offset"
    QString startText;   // what the value fields show before anything is set
    int lowestTyped = 0; // the range a value field takes typed in
    int highestTyped = 0;
    int sliderLow = 0;
    int sliderHigh = 0;
    std::optional<int> sliderStart; // none: where the range leaves it
};

// "Flash Power" and "Model Power" as both panels show them.
struct PowerGroupControls {
    QGroupBox* flashGroup = nullptr;
    QGroupBox* modelGroup = nullptr;
    CUserStatic* flashText = nullptr;
    COXCoolSpinButtonCtrl* flashSpin = nullptr;
    COXCoolSliderCtrl* flashSlider = nullptr;
    QCheckBox* cellBox = nullptr;
    QCheckBox* soundBox = nullptr;
    CUserButton* powerButton = nullptr;
    QPushButton* testButton = nullptr;
    CUserStatic* modelText = nullptr;
    COXCoolSpinButtonCtrl* modelSpin = nullptr;
    COXCoolSliderCtrl* modelSlider = nullptr;
    QRadioButton* free = nullptr;
    QRadioButton* prop = nullptr;
    QCheckBox* offBox = nullptr;
    QRadioButton* continous = nullptr;
    QRadioButton* flashProp = nullptr;
};

// The switch with the template's identifier; null for IDC_NONE.
QAbstractButton* ButtonOf(const PowerGroupControls& g, int id);

// Creates the two groups on form, frames first, then the controls in their Tab order.
PowerGroupControls createPowerGroups(QWidget* form, DialogBaseUnits units,
                                     const PowerGroupLook& look);

// What a panel does with the groups' notifications; flash says which group sent it.
struct PowerGroupHandlers {
    std::function<void(bool flash, int change)> spinStep;
    std::function<void(bool flash)> sliderRelease;
    std::function<void(bool flash, int position)> sliderDrag;
    std::function<void(bool flash, int tenths)> typed;
    std::function<void(int id, bool checked)> button;
};

// Connects the groups to the handlers for as long as context lives. A keyboard or wheel move
// of a slider is a whole move, so it is handed over as a release.
void connectPowerGroups(const PowerGroupControls& g, QObject* context,
                        const PowerGroupHandlers& handlers);

} // namespace lumadesk
