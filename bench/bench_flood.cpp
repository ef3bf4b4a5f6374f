// Two floods the phone remote must outlive, on loopback, each for the given seconds (15).
// memory: one raw connection pipelines GET /style.css at 1,500 a second and never reads an
//   answer; the process's RSS growth and when the console cut the connection.
// radio: a paired phone sends 1,000 changes a second while the dongle (a pseudo-terminal at the
//   console's 9600 baud, its output held) takes nothing; the owner thread's longest stall (the
//   largest gap between the ticks of a 5 ms timer) and how the changes were answered.
// Run the release build: build/release/bench/bench_flood [seconds] [memory|radio]
#include "actions/OperatorActions.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "platform/PseudoTerminal.h"
#include "remote/RemoteServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace lumadesk;
using Clock = std::chrono::steady_clock;

namespace {

// The console's core; nothing comes from the dongle, so nothing is drained.
struct Core : QObject {
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    OperatorActions actions{model, link.protocol(), {}};
};

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

long rssKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmRSS:") + 6, 20).trimmed().split(' ').constFirst().toLong();
}

void memoryFlood(double seconds) {
    Core core;
    RemoteServer server(core.model, core.link, core.actions);
    if (!server.start(QHostAddress::LocalHost, 0))
        return;
    const QByteArray request =
        "GET /style.css HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(server.port()) +
        "\r\n\r\n";
    std::atomic<int> written{0};
    std::atomic<long> mostUnread{0};
    std::atomic<double> cutAt{-1};
    const long before = rssKiB();
    const Clock::time_point start = Clock::now();
    std::thread peer([&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(server.port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
        QByteArray pending;
        // One request a tick by the clock; none is added while the last is not wholly sent.
        for (int k = 0; connected && k < int(seconds * 1500) && cutAt < 0; ++k) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(k * 2000 / 3));
            if (pending.isEmpty())
                pending = request;
            const ssize_t n = ::send(fd, pending.constData(), size_t(pending.size()),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                cutAt = since(start);
            else if (n > 0 && pending.remove(0, n).isEmpty())
                ++written;
            int unread = 0;
            if (::ioctl(fd, FIONREAD, &unread) == 0 && unread > mostUnread)
                mostUnread = unread;
        }
        ::close(fd);
    });
    long peak = before;
    while (since(start) < seconds + 0.2) { // the peer stops by its count at the given seconds
        runFor(100);
        peak = std::max(peak, rssKiB());
    }
    peer.join();
    std::printf("memory: %d GET /style.css written in %.2f s (1,500 a second for at most %.0f s)\n",
                written.load(), cutAt >= 0 ? cutAt.load() : seconds, seconds);
    std::printf("  RSS %.1f MB before, peak %.1f MB (+%.1f MB), %.1f MB at the end\n",
                before / 1024.0, peak / 1024.0, (peak - before) / 1024.0, rssKiB() / 1024.0);
    std::printf(
        "  answers unread at the peer: at most %.0f KiB; connection %s\n", mostUnread / 1024.0,
        cutAt >= 0
            ? qPrintable(QStringLiteral("cut by the console at %1 s").arg(cutAt.load(), 0, 'f', 2))
            : "still open at the end");
}

// A paired phone on a thread of its own, sending by the clock and counting the answers.
class Phone : public QObject {
public:
    std::atomic<int> sent{0}, answered{0}, ok{0}, notTaking{0}, rateLimited{0}, other{0};
    QString otherText; // the first other refusal; read after the thread stopped

    void open(const QUrl& url, const QByteArray& token, const QString& origin, int total) {
        m_total = total;
        m_socket = new QWebSocket(origin, QWebSocketProtocol::VersionLatest, this);
        connect(m_socket, &QWebSocket::textMessageReceived, this, &Phone::received);
        m_ticks.setTimerType(Qt::PreciseTimer);
        m_ticks.callOnTimeout(this, &Phone::sendDue);
        connect(m_socket, &QWebSocket::connected, this, [this] {
            m_start = Clock::now();
            m_ticks.start(1);
        });
        QNetworkRequest request(url);
        request.setRawHeader("Cookie", "lumadesk_token=" + token);
        m_socket->open(request);
    }

    void close() {
        m_ticks.stop();
        delete m_socket;
    }

private:
    void sendDue() {
        const int due = std::min(m_total, int(since(m_start) * 1000));
        static const char* const kinds[] = {
            R"({"id":%1,"op":"step","channel":%2,"value":"flash","by":1})",
            R"({"id":%1,"op":"step","channel":%2,"value":"flash","by":-1})",
            R"({"id":%1,"op":"test","channel":%2})"};
        for (; sent < due; ++sent) {
            m_socket->sendTextMessage(QString::fromLatin1(kinds[m_random() % 3])
                                          .arg(sent.load())
                                          .arg(m_random() % kChannelCount));
        }
        if (sent == m_total)
            m_ticks.stop();
    }
    void received(const QString& text) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        const QString error = message.value("error").toString();
        if (message.value("type") == QLatin1String("ok"))
            ++ok;
        else if (message.value("type") != QLatin1String("error"))
            return; // a state
        else if (error == OperatorActions::notTakingCommandsText())
            ++notTaking;
        else if (error.startsWith(QLatin1String("too many changes")))
            ++rateLimited;
        else if (++other == 1)
            otherText = QStringLiteral(" (first: %1)").arg(error);
        ++answered;
    }

    QWebSocket* m_socket = nullptr;
    QTimer m_ticks{this};
    int m_total = 0;
    Clock::time_point m_start;
    std::minstd_rand m_random{28};
};

void radioFlood(double seconds) {
    Core core;
    PseudoTerminal dongle;
    if (!dongle.open(true) || !dongle.holdsDeviceEnd() ||
        !core.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}) ||
        !dongle.holdOutput(true)) {
        std::fprintf(stderr, "bench_flood: no pseudo-terminal to hold\n");
        return;
    }
    StudioData* studio = core.model.studios[0].get();
    SelectStudio(&core.model, studio);
    for (int ch = 0; ch < kChannelCount; ++ch) // at 5.0, far from either end
        PlaceStrobe(&core.model, 0, ch, std::make_unique<StrobeData>())->nFlashValue = 50;
    core.model.pScanStudio = studio;
    RemoteServer server(core.model, core.link, core.actions);
    if (!server.start(QHostAddress::LocalHost, 0))
        return;
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    QNetworkAccessManager web;
    QNetworkRequest pairRequest(QUrl(origin + "/pair"));
    pairRequest.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply* paired =
        web.post(pairRequest, "{\"code\":\"" + server.pairingCode().toLatin1() + "\"}");
    for (int i = 0; i < 200 && !paired->isFinished(); ++i)
        runFor(50);
    const QByteArray token = paired->rawHeader("Set-Cookie").mid(15, 32);
    delete paired;

    // The owner thread's ticks: the largest gap between two, idle first, then under the flood.
    double largestGap = 0;
    Clock::time_point lastTick = Clock::now();
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        largestGap = std::max(largestGap, since(lastTick));
        lastTick = Clock::now();
    });
    ticks.start(5);
    runFor(1000);
    const double idleGap = std::exchange(largestGap, 0.0);

    const int total = int(seconds * 1000);
    QThread thread;
    thread.start();
    Phone phone;
    phone.moveToThread(&thread);
    const Clock::time_point start = Clock::now();
    QMetaObject::invokeMethod(&phone, [&] {
        phone.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())), token, origin,
                   total);
    });
    while (phone.answered < total && since(start) < seconds + 30)
        runFor(100);
    const double wall = since(start);
    ticks.stop();
    QMetaObject::invokeMethod(
        &phone,
        [&] {
            phone.close();
            phone.moveToThread(thread.thread());
        },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();

    std::printf("radio: %d changes sent in %.0f s by one phone, %d answered after %.1f s\n",
                phone.sent.load(), seconds, phone.answered.load(), wall);
    std::printf("  ok %d, \"%s\" %d, over the phone's rate %d, other %d%s\n", phone.ok.load(),
                qPrintable(OperatorActions::notTakingCommandsText()), phone.notTaking.load(),
                phone.rateLimited.load(), phone.other.load(), qPrintable(phone.otherText));
    std::printf("  owner thread's largest gap between 5 ms ticks: %.0f ms (idle before: %.0f ms)\n",
                largestGap * 1000, idleGap * 1000);
    dongle.holdOutput(false);
    server.stop();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QDir::setCurrent(home.path());
    const double seconds = argc > 1 ? std::clamp(std::atof(argv[1]), 1.0, 120.0) : 15.0;
    const QByteArray which = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    if (which != "radio")
        memoryFlood(seconds);
    if (which != "memory")
        radioFlood(seconds);
    return 0;
}
