#pragma once

#include <QColor>
#include <QSignalBlocker>
#include <QSlider>
#include <QString>

namespace lumadesk {

// What the power groups of both control panels share: identifiers, look and handling.

// Identifiers of the switches in both templates, for the click tables.
enum PowerControlId {
    IDC_CELL = 1017,
    IDC_SOUND = 1018,
    IDC_POWER = 1019,
    IDC_TEST = 1020,
    IDC_FREE = 1021,
    IDC_PROP = 1022,
    IDC_CONTINOUS = 1023,
    IDC_FLASH_PROP = 1024,
    IDC_OFF = 1025,
};

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

} // namespace lumadesk
