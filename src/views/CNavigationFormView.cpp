#include "views/CNavigationFormView.h"

#include "panels/PaneCaption.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QLabel>
#include <QVBoxLayout>

CNavigationFormView::CNavigationFormView(QWidget* parent)
    : QWidget(parent), m_caption(MakePaneCaption(QStringLiteral("Navigation"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addStretch();
}

QString CNavigationFormView::caption() const {
    return m_caption->text();
}

void CNavigationFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QWidget::customEvent(event);
    switch (message->number()) {
    case Msg::NavShowStudio:
    case Msg::NavSelectUnit:
    case Msg::NavUnitAdded:
    case Msg::NavUnitSetting:
    case Msg::NavUnitStatus:
    case Msg::NavGroupChange:
    case Msg::NavPanelMode:
        message->setResult(0);
        break;
    default:
        QWidget::customEvent(event);
    }
}
