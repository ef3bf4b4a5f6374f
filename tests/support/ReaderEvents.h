#pragma once

#include <QAccessible>
#include <QList>
#include <functional>

// Qt hands accessibility events on only while its platform accessibility is active, which a
// screen reader switches on and no public call can. Qt's own tests switch it through the
// platform's private interface; Debian ships those headers apart and they are not installed
// here, so the two exported calls are declared by hand. The offscreen platform keeps Qt's own
// accessibility object, which is the one these reach.
QT_BEGIN_NAMESPACE
class QPlatformAccessibility {
public:
    void setActive(bool active);
};
class QPlatformIntegration {
public:
    QPlatformAccessibility* accessibility() const;
};
class QGuiApplicationPrivate {
public:
    static QPlatformIntegration* platform_integration;
};
QT_END_NAMESPACE

namespace lumadesk {

// What a screen reader is told while it lives: each event that passes the filter, as the
// filter words it (an empty word: not kept).
class ReaderEvents {
public:
    using Words = std::function<QString(QAccessibleEvent*)>;

    explicit ReaderEvents(Words words) {
        s_words = std::move(words);
        s_told.clear();
        m_previous = QAccessible::installUpdateHandler(note);
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(true);
    }
    ~ReaderEvents() {
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(m_previous);
        s_words = nullptr;
    }
    ReaderEvents(const ReaderEvents&) = delete;
    ReaderEvents& operator=(const ReaderEvents&) = delete;

    QStringList told() const { return s_told; }

private:
    static void note(QAccessibleEvent* event) {
        if (const QString words = s_words ? s_words(event) : QString(); !words.isEmpty())
            s_told << words;
    }

    static inline Words s_words;
    static inline QStringList s_told;
    QAccessible::UpdateHandler m_previous = nullptr;
};

} // namespace lumadesk
