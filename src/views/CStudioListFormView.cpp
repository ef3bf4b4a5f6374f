#include "views/CStudioListFormView.h"

#include "platform/Messages.h"

CStudioListFormView::CStudioListFormView(QWidget* parent)
    : CFormPane(QStringLiteral("Studio List"), Msg::ListNewUnit, Msg::ListMemoryApplied, parent) {}
