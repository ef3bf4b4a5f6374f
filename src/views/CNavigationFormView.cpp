#include "views/CNavigationFormView.h"

#include "platform/Messages.h"

CNavigationFormView::CNavigationFormView(QWidget* parent)
    : CFormPane(QStringLiteral("Navigation"), Msg::NavShowStudio, Msg::NavPanelMode, parent) {}
