#pragma once

#include "panels/CFormPane.h"

// The studio tree's pane, left in the main window's inner splitter. For now it carries its caption
// and takes the messages addressed to it; the tree comes with its own work.
class CStudioListFormView : public CFormPane {
    Q_OBJECT
public:
    explicit CStudioListFormView(QWidget* parent = nullptr);
};
