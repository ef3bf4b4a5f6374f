#pragma once

#include "app/DialogSeams.h"
#include "link/ChannelMask.h"
#include "platform/WindowMessage.h"

#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <functional>

namespace lumadesk {

// Watches the window messages that reach a pane (or the frame) without taking them; a hook may
// act at the moment one arrives.
class MessageTap : public QObject {
public:
    struct Entry {
        int number;
        qintptr wParam;
        qintptr lParam;
        bool posted;
    };

    explicit MessageTap(QObject* watched) { watched->installEventFilter(this); }

    QList<Entry> entries;
    std::function<void(const Entry&)> onMessage;

    QList<Entry> only(int number) const {
        QList<Entry> out;
        for (const Entry& e : entries) {
            if (e.number == number)
                out.append(e);
        }
        return out;
    }

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

// A fresh working directory, where Option.xml lands.
class WorkingDirectory {
public:
    WorkingDirectory() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~WorkingDirectory() { QDir::setCurrent(m_previous); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Answers the shell's modal dialogs for its lifetime, without a nested event loop.
class ModalAnswer {
public:
    explicit ModalAnswer(ModalRunner answer) : m_previous(SetModalRunner(std::move(answer))) {}
    ~ModalAnswer() { SetModalRunner(std::move(m_previous)); }

    static int accept(QDialog& dialog) {
        dialog.accept();
        return dialog.result();
    }
    static int reject(QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    }

private:
    ModalRunner m_previous;
};

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Report frames as a head sends them.
inline QByteArray statusReport(int channel, int flashLevel = 50) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char bytes[] = {
        '\xFF', 13, 0x01, char(mask >> 8), char(mask & 0xFF), 1, char(flashLevel), 50, 0, 0,
        0,      0,  1};
    return QByteArray(bytes, sizeof bytes);
}

inline QByteArray settingReport(int type, int channel, int lo) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char bytes[] = {'\xFF', 7,       char(0x10 | type), char(mask >> 8), char(mask & 0xFF),
                          0,      char(lo)};
    return QByteArray(bytes, sizeof bytes);
}

} // namespace lumadesk
