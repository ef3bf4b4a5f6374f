#include "views/CStudioListFormView.h"

#include "panels/PaneCaption.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QLabel>
#include <QVBoxLayout>

CStudioListFormView::CStudioListFormView(QWidget* parent)
    : QWidget(parent), m_caption(MakePaneCaption(QStringLiteral("Studio List"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addStretch();
}

QString CStudioListFormView::caption() const {
    return m_caption->text();
}

void CStudioListFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QWidget::customEvent(event);
    switch (message->number()) {
    case Msg::ListNewUnit:
    case Msg::ListNameCommand:
    case Msg::ListStudioCleared:
    case Msg::ListMemoryApplied:
        message->setResult(0);
        break;
    default:
        QWidget::customEvent(event);
    }
}
