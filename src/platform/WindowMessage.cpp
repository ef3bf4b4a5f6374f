#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

namespace lumadesk {

namespace {
// QEvent::User + 0 .. + 999 is ours; registered event types are handed out from MaxUser down.
constexpr int kLastNumber = 999;
} // namespace

WindowMessage::WindowMessage(int number, qintptr wParam, qintptr lParam, bool posted,
                             quint64 recordSerial)
    : QEvent(typeOf(number)), m_number(number), m_wParam(wParam), m_lParam(lParam),
      m_posted(posted), m_recordSerial(recordSerial) {}

WindowMessage* AsWindowMessage(QEvent* event) {
    if (event == nullptr)
        return nullptr;
    const int number = int(event->type()) - int(QEvent::User);
    if (number < 0 || number > kLastNumber)
        return nullptr;
    // Events of type QEvent::User + 0..999 are ours alone and always WindowMessages.
    auto* message = static_cast<WindowMessage*>(event);
    message->acquire();
    return message;
}

qintptr SendMessage(QObject* target, int number, qintptr wParam, qintptr lParam) {
    if (target == nullptr)
        return 0;
    WindowMessage message(number, wParam, lParam, false);
    QCoreApplication::sendEvent(target, &message);
    return message.result();
}

bool PostMessage(QObject* target, int number, qintptr wParam, qintptr lParam,
                 quint64 recordSerial) {
    if (target == nullptr)
        return false;
    auto* message = new WindowMessage(number, wParam, lParam, true, recordSerial);
    message->publish();
    QCoreApplication::postEvent(target, message);
    return true;
}

} // namespace lumadesk
