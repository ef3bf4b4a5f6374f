#include "panels/CControlFormView.h"

#include "panels/PaneCaption.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QLabel>
#include <QVBoxLayout>

CControlFormView::CControlFormView(QWidget* parent)
    : QWidget(parent), m_caption(MakePaneCaption(QStringLiteral("Remote Control"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addStretch();
}

QString CControlFormView::caption() const {
    return m_caption->text();
}

void CControlFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QWidget::customEvent(event);
    switch (message->number()) {
    case Msg::CtrlCurrentUnit:
    case Msg::CtrlEmptyStudio:
    case Msg::CtrlUnitSetting:
    case Msg::CtrlUnitStatus:
    case Msg::CtrlSaveCommand:
    case Msg::CtrlLoadCommand:
        message->setResult(0);
        break;
    default:
        QWidget::customEvent(event);
    }
}
