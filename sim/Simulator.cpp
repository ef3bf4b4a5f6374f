#include "sim/Simulator.h"

#include "platform/PseudoTerminal.h"
#include "platform/SerialDevice.h"
#include "sim/DeviceLink.h"
#include "sim/FrameText.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace lumadesk::sim {

namespace {

// Reports pile up here only while nobody reads the device end; a dongle with a full buffer
// loses what does not fit.
constexpr qsizetype kMaxOutput = 64 * 1024;
// A failed replug is tried again this much later.
constexpr Milliseconds kReplugRetry{1000};

} // namespace

Simulator::Simulator(SimConfig config)
    : m_config(std::move(config)), m_engine(m_config), m_pty(std::make_unique<PseudoTerminal>()),
      m_link(std::make_unique<DeviceLink>(m_config.linkPath)),
      m_wake(std::make_unique<WakeSignal>()) {}

Simulator::~Simulator() {
    stop();
}

bool Simulator::start() {
    if (isRunning()) {
        std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("already running");
        return false;
    }
    QString error;
    if (!m_wake->isValid())
        error = QStringLiteral("cannot make a wake-up descriptor");
    else if (!m_pty->open(true) || !m_pty->holdsDeviceEnd())
        error = QStringLiteral("cannot open a pseudo-terminal");
    else
        m_link->pointTo(m_pty->devicePath(), error);
    {
        std::lock_guard lock(m_mutex);
        m_error = error;
        m_devicePath = error.isEmpty() ? m_pty->devicePath() : QString();
    }
    if (!error.isEmpty()) {
        m_pty->close();
        return false;
    }
    m_started = std::chrono::steady_clock::now();
    m_pullAt = m_config.cutAfter;
    m_plugAt.reset();
    m_output.clear();
    m_wake->clear();
    m_stop.store(false, std::memory_order_release);
    m_unplugAsked.store(false, std::memory_order_release);
    m_replugAsked.store(false, std::memory_order_release);
    m_thread = std::thread(&Simulator::run, this);
    return true;
}

void Simulator::stop() {
    if (!m_thread.joinable())
        return;
    m_stop.store(true, std::memory_order_release);
    m_wake->raise();
    m_thread.join();
    m_link->remove();
    {
        std::lock_guard lock(m_mutex);
        m_devicePath.clear();
    }
    m_pty->close();
}

void Simulator::unplug() {
    m_unplugAsked.store(true, std::memory_order_release);
    m_wake->raise();
}

void Simulator::replug() {
    m_replugAsked.store(true, std::memory_order_release);
    m_wake->raise();
}

QString Simulator::errorString() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

QString Simulator::devicePath() const {
    std::lock_guard lock(m_mutex);
    return m_devicePath;
}

QList<HeadState> Simulator::heads() const {
    std::lock_guard lock(m_mutex);
    return m_engine.heads(elapsed());
}

int Simulator::selectedGroup() const {
    std::lock_guard lock(m_mutex);
    return m_engine.selectedGroup();
}

Milliseconds Simulator::elapsed() const {
    return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - m_started);
}

void Simulator::log(Milliseconds now, const QString& text) const {
    if (m_config.log)
        m_config.log(QStringLiteral("%1 %2").arg(now.count(), 8).arg(text));
}

void Simulator::run() {
    while (!m_stop.load(std::memory_order_acquire)) {
        const Milliseconds now = elapsed();
        const bool unplugAsked = m_unplugAsked.exchange(false, std::memory_order_acq_rel);
        if (m_pullAt && now >= *m_pullAt) {
            m_pullAt.reset();
            if (m_pty->isOpen())
                pull(now, QStringLiteral("dongle pulled"));
            if (m_config.replugAfter)
                m_plugAt = now + *m_config.replugAfter;
        } else if (unplugAsked && m_pty->isOpen()) {
            pull(now, QStringLiteral("dongle pulled"));
        }
        const bool replugAsked = m_replugAsked.exchange(false, std::memory_order_acq_rel);
        if ((m_plugAt && now >= *m_plugAt) || (replugAsked && !m_pty->isOpen())) {
            m_plugAt.reset();
            plugIn(now);
        }
        sendDue(now);
        flushOutput();

        pollfd fds[2] = {{m_wake->fd(), POLLIN, 0}, {m_pty->masterFd(), POLLIN, 0}};
        if (!m_output.isEmpty())
            fds[1].events |= POLLOUT;
        const nfds_t count = m_pty->isOpen() ? 2 : 1;
        if (::poll(fds, count, pollTimeout(now)) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            m_wake->clear();
        if (count < 2)
            continue;
        if (fds[1].revents & POLLIN)
            receiveFromConsole(elapsed());
        // We hold the device end ourselves, so a hang-up here means the terminal itself failed.
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            pull(elapsed(), QStringLiteral("pseudo-terminal failed"));
    }
}

void Simulator::pull(Milliseconds now, const QString& why) {
    // The name goes first, so whoever sees the hang-up finds no link and no path left.
    m_link->remove();
    {
        std::lock_guard lock(m_mutex);
        m_engine.unplug();
        m_devicePath.clear();
    }
    // Closing the master and our own descriptor of the device end is what makes the console's
    // reader see the hang-up.
    m_pty->close();
    m_output.clear();
    log(now, why);
}

void Simulator::plugIn(Milliseconds now) {
    QString error;
    if (!m_pty->open(true) || !m_pty->holdsDeviceEnd()) {
        m_pty->close();
        m_plugAt = now + kReplugRetry;
        log(now, QStringLiteral("cannot open a pseudo-terminal, trying again"));
        return;
    }
    const QString path = m_pty->devicePath();
    if (!m_link->pointTo(path, error))
        log(now, error);
    {
        std::lock_guard lock(m_mutex);
        m_devicePath = path;
    }
    log(now, QStringLiteral("dongle plugged in at %1").arg(path));
    if (m_config.deviceOpened)
        m_config.deviceOpened(path);
}

void Simulator::receiveFromConsole(Milliseconds now) {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty->masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: all read
    }
    if (bytes.isEmpty())
        return;
    QList<QByteArray> frames;
    qint64 ignored = 0;
    {
        std::lock_guard lock(m_mutex);
        const qint64 before = m_engine.discardedBytes();
        frames = m_engine.receive(bytes, now);
        ignored = m_engine.discardedBytes() - before;
    }
    if (!m_config.log)
        return;
    if (ignored > 0)
        log(now, QStringLiteral("in   %1 byte(s) outside any frame, ignored").arg(ignored));
    for (const QByteArray& frame : frames)
        log(now, QStringLiteral("in   ") + DescribeCommand(frame));
}

void Simulator::sendDue(Milliseconds now) {
    QList<SimEngine::Outgoing> due;
    {
        std::lock_guard lock(m_mutex);
        due = m_engine.takeDue(now);
    }
    for (const SimEngine::Outgoing& item : due) {
        const qsizetype size = item.noise.size() + item.frame.size();
        if (!m_pty->isOpen() || m_output.size() + size > kMaxOutput) {
            log(now, QStringLiteral("lost ") + DescribeReport(item.frame));
            continue;
        }
        if (!item.noise.isEmpty())
            log(now, QStringLiteral("out  ") + DescribeNoise(item.noise));
        log(now, QStringLiteral("out  ") + DescribeReport(item.frame));
        m_output += item.noise;
        m_output += item.frame;
    }
}

void Simulator::flushOutput() {
    while (!m_output.isEmpty() && m_pty->isOpen()) {
        const ssize_t n = ::write(m_pty->masterFd(), m_output.constData(), size_t(m_output.size()));
        if (n > 0) {
            m_output.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            m_output.clear();
        break;
    }
}

int Simulator::pollTimeout(Milliseconds now) const {
    std::optional<Milliseconds> next;
    {
        std::lock_guard lock(m_mutex);
        next = m_engine.nextDue();
    }
    for (const std::optional<Milliseconds>& at : {m_pullAt, m_plugAt}) {
        if (at && (!next || *at < *next))
            next = at;
    }
    if (!next)
        return -1;
    return int(std::clamp<qint64>((*next - now).count(), 0, 60 * 60 * 1000));
}

} // namespace lumadesk::sim
