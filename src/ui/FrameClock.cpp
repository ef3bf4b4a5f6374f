#include "ui/FrameClock.h"

#include "model/ModelNews.h"

#include <QTimerEvent>
#include <QWidget>
#include <algorithm>

namespace lumadesk {

FrameClock::FrameClock(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("FrameClock"));
}

FrameClock& FrameClock::of(QWidget* widget) {
    QWidget* window = widget->window();
    if (auto* clock = window->findChild<FrameClock*>(QString(), Qt::FindDirectChildrenOnly))
        return *clock;
    return *new FrameClock(window);
}

void FrameClock::follow(const ModelNews& news) {
    if (m_news == &news)
        return;
    if (m_news != nullptr)
        disconnect(m_news, nullptr, this, nullptr);
    m_news = &news;
    connect(&news, &ModelNews::drainEnded, this, &FrameClock::schedule);
}

bool FrameClock::draining() const {
    return m_news != nullptr && m_news->draining();
}

bool FrameClock::atOnce() const {
    return !draining() && (m_turnOpen || !m_sinceRun.isValid() || m_sinceRun.elapsed() >= kFrameMs);
}

void FrameClock::request(const QObject* client, std::function<void()> redraw) {
    const auto same = std::find_if(m_waiting.begin(), m_waiting.end(),
                                   [client](const Waiting& w) { return w.client == client; });
    if (same != m_waiting.end())
        same->redraw = std::move(redraw);
    else
        m_waiting.push_back({client, std::move(redraw)});
    schedule();
}

void FrameClock::forget(const QObject* client) {
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                   [client](const Waiting& w) { return w.client == client; }),
                    m_waiting.end());
}

void FrameClock::schedule() {
    if (m_waiting.empty() || draining())
        return;
    if (atOnce())
        return runNow();
    if (!m_timer.isActive())
        m_timer.start(std::max<qint64>(0, kFrameMs - m_sinceRun.elapsed()), this);
}

void FrameClock::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return QObject::timerEvent(event);
    m_timer.stop();
    if (draining())
        return; // the drain's end runs them
    runNow();
}

void FrameClock::runNow() {
    m_timer.stop();
    m_sinceRun.start();
    if (!m_turnOpen) {
        m_turnOpen = true;
        QMetaObject::invokeMethod(
            this, [this] { m_turnOpen = false; }, Qt::QueuedConnection);
    }
    // A redraw may ask again (or another client may): those wait for the next round.
    std::vector<Waiting> waiting;
    waiting.swap(m_waiting);
    for (Waiting& w : waiting) {
        if (w.client != nullptr)
            w.redraw();
    }
}

} // namespace lumadesk
