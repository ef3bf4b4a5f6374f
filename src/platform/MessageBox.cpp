#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <cstdio>

namespace lumadesk {

namespace {

int defaultHandler(const MessageBoxRequest& request) {
    const QByteArray line =
        (request.title.isEmpty() ? request.text : request.title + ": " + request.text)
            .toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    return IDOK;
}

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler = defaultHandler;
    return handler;
}

} // namespace

int ShowMessageBox(const QString& text, const QString& title, MessageButtons buttons,
                   QObject* owner) {
    return currentHandler()(MessageBoxRequest{text, title, buttons, owner});
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = handler ? std::move(handler) : MessageBoxHandler(defaultHandler);
    return previous;
}

namespace {

class PostedBoxEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const int registered = QEvent::registerEventType();
        return QEvent::Type(registered);
    }
    PostedBoxEvent(QString text, QString title)
        : QEvent(type()), m_text(std::move(text)), m_title(std::move(title)) {
        // Qt's queue orders poster and receiver, inside a library thread tools cannot see into.
        m_published.store(true, std::memory_order_release);
    }
    void show() const {
        (void)m_published.load(std::memory_order_acquire);
        ShowMessageBox(m_text, m_title);
    }

private:
    QString m_text;
    QString m_title;
    std::atomic<bool> m_published{false};
};

} // namespace

void MessageBoxPoster::post(const QString& text, const QString& title) {
    if (m_pending.exchange(true, std::memory_order_acq_rel))
        return;
    QCoreApplication::postEvent(this, new PostedBoxEvent(text, title));
}

void MessageBoxPoster::customEvent(QEvent* event) {
    if (event->type() != PostedBoxEvent::type())
        return QObject::customEvent(event);
    // Cleared only when the box is closed: a modal box runs a nested event loop, and a flag
    // cleared before it would let every later post open another box inside it.
    const QPointer<MessageBoxPoster> alive(this); // the owner may go while the box is open
    static_cast<PostedBoxEvent*>(event)->show();
    if (alive)
        m_pending.store(false, std::memory_order_release);
}

} // namespace lumadesk
