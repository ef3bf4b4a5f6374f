#include "ui/CFormPane.h"

#include "platform/WindowMessage.h"

#include <QLabel>
#include <QVBoxLayout>

CFormPane::CFormPane(const QString& caption, int firstMessage, int lastMessage, QWidget* parent)
    : QWidget(parent), m_caption(new QLabel(caption, this)), m_firstMessage(firstMessage),
      m_lastMessage(lastMessage) {
    QFont font = m_caption->font();
    font.setBold(true);
    m_caption->setFont(font);
    m_caption->setStyleSheet(QStringLiteral("color: #000080;"));
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
