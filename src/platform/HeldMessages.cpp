#include "platform/HeldMessages.h"

#include "platform/WindowMessage.h"

#include <QCoreApplication>

namespace lumadesk {

void HeldMessages::post(QObject* target, int number, qintptr wParam, qintptr lParam,
                        quint64 recordSerial) {
    if (target != nullptr)
        m_held.push_back(Held{target, number, wParam, lParam, recordSerial});
}

void HeldMessages::deliver() {
    while (!m_held.empty()) {
        const Held next = m_held.front();
        m_held.pop_front();
        WindowMessage message(next.number, next.wParam, next.lParam, true, next.recordSerial);
        QCoreApplication::sendEvent(next.target, &message);
    }
}

} // namespace lumadesk
