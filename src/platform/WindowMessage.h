#pragma once

#include <QEvent>
#include <QtGlobal>
#include <atomic>

class QObject;

namespace lumadesk {

// A numbered user message with two parameters, delivered to a QObject as a custom event of
// type QEvent::User + number. Sent messages run the receiver's handler before the sender
// goes on and carry its result back; posted ones are queued and may come from any thread.
class WindowMessage : public QEvent {
public:
    WindowMessage(int number, qintptr wParam, qintptr lParam, bool posted,
                  quint64 recordSerial = 0);

    int number() const { return m_number; }
    qintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }
    bool posted() const { return m_posted; }
    // The serial of the record lParam names, captured when the message was posted; 0 for none.
    quint64 recordSerial() const { return m_recordSerial; }

    qintptr result() const { return m_result; }
    void setResult(qintptr result) { m_result = result; }

    template <typename T> T* lParamAs() const { return reinterpret_cast<T*>(m_lParam); }

    static QEvent::Type typeOf(int number) { return QEvent::Type(QEvent::User + number); }

    // The poster publishes the filled message and the receiver acquires it. Qt's queue already
    // orders the two, but inside a library that thread tools cannot see into.
    void publish() { m_published.store(true, std::memory_order_release); }
    void acquire() const { (void)m_published.load(std::memory_order_acquire); }

private:
    int m_number;
    qintptr m_wParam;
    qintptr m_lParam;
    bool m_posted;
    quint64 m_recordSerial;
    qintptr m_result = 0;
    std::atomic<bool> m_published{false};
};

// The message carried by an event, or null when the event is not a window message.
WindowMessage* AsWindowMessage(QEvent* event);

// Delivers synchronously on the calling thread and returns the handler's result (0 when the
// target is null or does not handle the message).
qintptr SendMessage(QObject* target, int number, qintptr wParam = 0, qintptr lParam = 0);

// Queues the message for the target's thread; safe from any thread. False for a null target.
// recordSerial travels with it (see WindowMessage::recordSerial).
bool PostMessage(QObject* target, int number, qintptr wParam = 0, qintptr lParam = 0,
                 quint64 recordSerial = 0);

template <typename T> qintptr AsLParam(T* pointer) {
    return reinterpret_cast<qintptr>(pointer);
}

} // namespace lumadesk
