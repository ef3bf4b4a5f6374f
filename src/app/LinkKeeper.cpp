#include "app/LinkKeeper.h"

#include "link/RadioLink.h"
#include "platform/PortFailure.h"

#include <QTimerEvent>

namespace lumadesk {

namespace {

bool sameLine(const ComSettings& a, const ComSettings& b) {
    return a.portName == b.portName && a.baudRate == b.baudRate && a.dataBits == b.dataBits &&
           a.stopBits == b.stopBits && a.parity == b.parity;
}

} // namespace

LinkKeeper::LinkKeeper(lumadesk::RadioLink& link, const ComSettings& settings, StateText show)
    : m_link(link), m_settings(settings), m_show(std::move(show)) {}

void LinkKeeper::start() {
    startRetry();
}

void LinkKeeper::startRetry() {
    stopRetry();
    m_timerId = startTimer(kRetryMs);
}

void LinkKeeper::stopRetry() {
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
}

bool LinkKeeper::open() {
    m_up = m_link.open(m_settings);
    if (m_up) {
        ++m_readersRunning;
        m_openedWith = m_settings;
    }
    if (m_showReason) {
        const CCommThread& port = m_link.port();
        m_showReason(m_up ? QString() : PortFailureText(port.OpenError(), port.PortPath()));
    }
    if (m_up && m_changed)
        m_changed(true);
    if (m_up)
        emit upChanged(true);
    return m_up;
}

void LinkKeeper::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId || m_timerId == 0)
        return QObject::timerEvent(event);
    if (m_up)
        return;
    if (open()) {
        m_show(connectedText());
        stopRetry();
    } else {
        m_show(disconnectedText());
    }
}

void LinkKeeper::readerEnded() {
    if (m_readersRunning > 0)
        --m_readersRunning;
    if (m_readersRunning > 0)
        return; // the end of a reader closed earlier; the current link still runs
    // Joins the ended reader and lets the device go at once.
    m_link.close();
    m_up = false;
    m_show(disconnectedText());
    startRetry();
    if (m_changed)
        m_changed(false);
    emit upChanged(false);
}

void LinkKeeper::suspendForSettings() {
    stopRetry();
    if (m_up) {
        m_link.close();
        m_up = false;
    }
}

void LinkKeeper::resumeAfterSettings(bool accepted) {
    if (!accepted) {
        if (!m_up) {
            m_show(disconnectedText());
            startRetry();
        }
        return;
    }
    // A link that the retry timer brought back during the dialog used the old settings.
    if (m_up && !sameLine(m_openedWith, m_settings)) {
        m_link.close();
        m_up = false;
    }
    if (m_up)
        return;
    if (open()) {
        m_show(connectedText());
    } else {
        m_show(disconnectedText());
        startRetry();
    }
}

} // namespace lumadesk
