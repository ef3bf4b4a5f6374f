#pragma once

#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

#include <QList>
#include <QObject>
#include <functional>

namespace lumadesk {

// The window messages a recorder or a tap saw, with whether each was sent or posted.
class MessageLog {
public:
    struct Entry {
        int number;
        qintptr wParam;
        qintptr lParam;
        bool posted;
    };

    QList<Entry> entries;

    int count(int number) const {
        int n = 0;
        for (const Entry& e : entries)
            n += e.number == number ? 1 : 0;
        return n;
    }
    QList<Entry> only(int number) const {
        QList<Entry> out;
        for (const Entry& e : entries) {
            if (e.number == number)
                out.append(e);
        }
        return out;
    }
};

// Records every window message it receives. A hook may run on each message (for example to look
// at the model at that moment) and give the answer.
class MessageRecorder : public QObject, public MessageLog {
public:
    std::function<qintptr(const Entry&)> onMessage;

protected:
    void customEvent(QEvent* event) override {
        if (WindowMessage* m = AsWindowMessage(event)) {
            const Entry entry{m->number(), m->wParam(), m->lParam(), m->posted()};
            entries.append(entry);
            if (onMessage)
                m->setResult(onMessage(entry));
        }
    }
};

// Watches the window messages that reach a pane (or the frame) without taking them; a hook may
// act at the moment one arrives.
class MessageTap : public QObject, public MessageLog {
public:
    explicit MessageTap(QObject* watched) { watched->installEventFilter(this); }

    std::function<void(const Entry&)> onMessage;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (WindowMessage* m = AsWindowMessage(event)) {
            entries.append(Entry{m->number(), m->wParam(), m->lParam(), m->posted()});
            if (onMessage)
                onMessage(entries.constLast());
        }
        return false;
    }
};

// Installs a message-box hook for its lifetime: records texts and titles, answers `answer`.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK) : m_answer(answer) {
        m_previous = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            texts.append(request.text);
            titles.append(request.title);
            return m_answer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(std::move(m_previous)); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void setAnswer(int answer) { m_answer = answer; }

    QStringList texts;
    QStringList titles;

private:
    int m_answer;
    MessageBoxHandler m_previous;
};

} // namespace lumadesk
