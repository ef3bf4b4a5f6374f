#include "panels/CControlFormView.h"

#include "platform/Messages.h"

CControlFormView::CControlFormView(QWidget* parent)
    : CFormPane(QStringLiteral("Remote Control"), Msg::CtrlCurrentUnit, Msg::CtrlLoadCommand,
                parent) {}
