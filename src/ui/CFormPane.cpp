#include "ui/CFormPane.h"

#include "platform/WindowMessage.h"
#include "ui/COXSeparator.h"
#include "ui/DialogFont.h"

#include <QVBoxLayout>

namespace lumadesk {

CFormPane::CFormPane(const QString& caption, int firstMessage, int lastMessage, QWidget* parent)
    : QWidget(parent), m_caption(new lumadesk::COXSeparator(caption, this)),
      m_firstMessage(firstMessage), m_lastMessage(lastMessage) {
    m_caption->setFont(lumadesk::CaptionFont());
    m_caption->textColor = QColor(0, 0, 128);
    m_caption->upperLeftColor = QColor(0, 0, 128);
    m_caption->lowerRightColor = palette().color(QPalette::Light);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addStretch();
}

QString CFormPane::caption() const {
    return m_caption->text();
}

void CFormPane::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr || message->number() < m_firstMessage ||
        message->number() > m_lastMessage)
        return QWidget::customEvent(event);
    message->setResult(0);
}

} // namespace lumadesk
