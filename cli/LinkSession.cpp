#include "cli/LinkSession.h"

#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QEventLoop>
#include <QTimer>

namespace lumadesk::cli {

LinkSession::LinkSession() {
    m_link.setEventTap(&m_tap);
    m_link.pending().setListener([this](int, int) { wake(); });
    // Our own ClosePort ends the reader too, but by then nobody waits any more.
    connect(&m_link, &RadioLink::readerEnded, this, [this] {
        m_readerEnded = true;
        wake();
    });
}

LinkSession::~LinkSession() {
    // The reader is joined before the objects it posts to and fills go away.
    m_link.close();
}

bool LinkSession::Open(const ComSettings& settings) {
    m_readerEnded = false;
    return m_link.open(settings);
}

StudioData* LinkSession::StartScan(int studioNumber) {
    StudioData* studio = m_model.StudioByNumber(studioNumber);
    if (studio == nullptr)
        return nullptr;
    SelectStudio(&m_model, studio);
    return m_link.startScan(nullptr);
}

LinkSession::WaitEnd LinkSession::WaitUntil(const std::function<bool()>& done,
                                            std::optional<std::chrono::milliseconds> limit) {
    QEventLoop loop;
    QTimer timer;
    bool timedOut = false;
    if (limit) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timer.start(*limit);
    }
    QEventLoop* outer = m_loop;
    m_loop = &loop;
    WaitEnd end = WaitEnd::Done;
    for (;;) {
        if (m_interrupt.signalled() || m_stopped) {
            end = WaitEnd::Interrupted;
            break;
        }
        if (done && done())
            break;
        if (m_readerEnded) {
            end = WaitEnd::LinkLost;
            break;
        }
        if (timedOut) {
            end = WaitEnd::TimedOut;
            break;
        }
        loop.exec();
    }
    m_loop = outer;
    return end;
}

void LinkSession::Stop() {
    m_stopped = true;
    wake();
}

void LinkSession::wake() {
    if (m_loop != nullptr)
        m_loop->quit();
}

void LinkSession::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QObject::customEvent(event);
    switch (message->number()) {
    case Msg::FrameNewUnit:
    case Msg::FrameUnitStatus:
    case Msg::FrameUnitSetting:
        m_messages.append(
            {message->number(), message->wParam(), message->lParamAs<const StrobeData>()});
        break;
    default:
        return;
    }
    wake();
}

} // namespace lumadesk::cli
