#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QWidget;

namespace lumadesk {

class ModelNews;

// The window's one frame clock: the grid and the control panel hand their redraws to Qt through
// it. A redraw runs at once when nothing was handed over in the last frame, otherwise at the next
// frame; while the link drains it waits for the drain's end. So an isolated report shows at
// once, a burst costs one paint a frame, and the panes of one window paint in the same frame.
// GUI thread only.
class FrameClock : public QObject {
    Q_OBJECT
public:
    static constexpr int kFrameMs = 16;

    // The clock of the widget's window, made at its first use.
    static FrameClock& of(QWidget* widget);

    // Holds redraws while the news says the link drains.
    void follow(const ModelNews& news);
    // Runs the client's redraw now or at the next frame. A client waits at most once: a later
    // request before its frame replaces the earlier one.
    void request(const QObject* client, std::function<void()> redraw);
    // Whether a request made now runs at once.
    bool atOnce() const;
    // Drops the client's waiting redraw.
    void forget(const QObject* client);
    // Runs every waiting redraw now (benchmarks).
    void runNow();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    explicit FrameClock(QObject* parent);
    void schedule();
    bool draining() const;

    struct Waiting {
        QPointer<const QObject> client;
        std::function<void()> redraw;
    };
    std::vector<Waiting> m_waiting;
    QElapsedTimer m_sinceRun; // invalid until the first redraw
    // Requests in the same turn of the event loop as a redraw that ran at once join it: Qt
    // paints them together.
    bool m_turnOpen = false;
    QPointer<const ModelNews> m_news;
    QBasicTimer m_timer;
};

} // namespace lumadesk
