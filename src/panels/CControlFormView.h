#pragma once

#include "panels/CFormPane.h"

// The remote control panel's pane, right in the main window's inner splitter. For now it carries
// its caption and takes the messages addressed to it; the controls come with their own work.
class CControlFormView : public CFormPane {
    Q_OBJECT
public:
    explicit CControlFormView(QWidget* parent = nullptr);
};
