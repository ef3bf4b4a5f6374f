#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

namespace lumadesk {

// Every box the system shows goes through ShowMessageBox. The program installs a handler that
// shows a real modal box; tests install one that records the text and answers; the command-line
// tool prints to standard error. Call it on the GUI thread only.
enum class MessageButtons { Ok, OkCancel };

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

struct MessageBoxRequest {
    QString text;
    QString title; // empty: the application's title
    MessageButtons buttons = MessageButtons::Ok;
    QObject* owner = nullptr;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Returns IDOK or IDCANCEL.
int ShowMessageBox(const QString& text, const QString& title = {},
                   MessageButtons buttons = MessageButtons::Ok, QObject* owner = nullptr);

// Installs a handler and returns the previous one. An empty handler restores the default,
// which writes the text to standard error and answers IDOK.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows boxes for a thread that must not show them itself. Create it on the GUI thread; post()
// is safe from any thread and the box appears later on the GUI thread. While one box waits to
// be shown or is open, further posts are dropped, so a stream of failures cannot pile up boxes.
class MessageBoxPoster : public QObject {
public:
    explicit MessageBoxPoster(QObject* parent = nullptr) : QObject(parent) {}
    void post(const QString& text, const QString& title = {});

protected:
    void customEvent(QEvent* event) override;

private:
    std::atomic<bool> m_pending{false};
};

} // namespace lumadesk
