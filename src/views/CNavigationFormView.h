#pragma once

#include "panels/CFormPane.h"

// The channel grid's pane, right in the main window's outer splitter, and the address of all news
// about units. For now it carries its caption and takes the messages addressed to it; the grid
// comes with its own work.
class CNavigationFormView : public CFormPane {
    Q_OBJECT
public:
    explicit CNavigationFormView(QWidget* parent = nullptr);
};
