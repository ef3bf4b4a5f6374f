#pragma once

#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

#include <QList>
#include <QObject>
#include <functional>

namespace lumadesk {

// Records every window message it receives, with whether it was sent or posted. A hook may
// run on each message (for example to look at the model at that moment).
class MessageRecorder : public QObject {
public:
    struct Entry {
        int number;
        qintptr wParam;
        qintptr lParam;
        bool posted;
    };

    QList<Entry> entries;
    std::function<qintptr(const Entry&)> onMessage;

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
