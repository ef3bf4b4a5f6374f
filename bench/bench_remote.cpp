// The phone remote under radio traffic: status reports of ten heads written at a pseudo-terminal
// at the line's full rate (115200 baud), through the port's reader, the link and the remote's
// coalesced push, to 16 WebSocket clients on loopback. For every report and every client, the
// time from its write to the first state message that shows it (or something newer): p50, p99.
// Then the CPU the process spends over ~10 s with the 16 clients connected and idle.
// With --setups N: only an idle console with one phone and N stored set-ups, over ~10 s.
// Run the release build: build/release/bench/bench_remote [seconds of traffic | --setups N]
#include "actions/OperatorActions.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "platform/WindowMessage.h"
#include "remote/RemoteServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace lumadesk;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPhones = RemoteServer::kMaxClients;
constexpr int kLevels = 71;                          // 1.1 .. 8.1
constexpr double kFrameSeconds = 13 * 10 / 115200.0; // a status report: 13 bytes of 10 bits

class Core : public QObject {
public:
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    OperatorActions actions{model, link.protocol(), {}};
};

QByteArray statusReport(int channel, int level) {
    const int bits = channel < 5 ? 1 << channel : 0x100 << (channel - 5);
    QByteArray frame("\xFF\x0D\x01", 3);
    frame.append(char(bits >> 8)).append(char(bits & 0xFF));
    frame.append('\x01').append(char(level)).append(char(50));
    frame.append(QByteArray("\x00\x00\x00\x00\x01", 5));
    return frame;
}

// Report k sets head k % 10 to level 11 + (k / 10) % 71; a level comes back to a head only
// every 710 reports (0.8 s), far beyond any delay measured.
struct Traffic {
    std::vector<Clock::time_point> written;
    std::atomic<int> count{0};
    std::array<std::array<std::atomic<int>, kLevels>, kChannelCount> seqOf{};

    explicit Traffic(int reports) : written(std::size_t(reports)) {
        for (auto& head : seqOf)
            for (auto& s : head)
                s.store(-1);
    }
};

// The clients on a thread of their own, as phones are elsewhere.
class Phones : public QObject {
public:
    Phones(Traffic& traffic, QUrl url, QByteArray token, QString origin)
        : m_traffic(traffic), m_url(std::move(url)), m_token(std::move(token)),
          m_origin(std::move(origin)) {}

    void open() {
        for (int i = 0; i < kPhones; ++i) {
            auto* socket = new QWebSocket(m_origin, QWebSocketProtocol::VersionLatest, this);
            m_delivered.push_back(-1);
            connect(socket, &QWebSocket::textMessageReceived, this,
                    [this, i](const QString& text) { received(i, text); });
            QNetworkRequest request(m_url);
            request.setRawHeader("Cookie", "lumadesk_token=" + m_token);
            socket->open(request);
        }
    }

    std::atomic<int> states{0};
    std::mutex mutex;
    std::vector<double> latenciesMs;

private:
    void received(int phone, const QString& text) {
        const Clock::time_point now = Clock::now();
        ++states;
        const QJsonArray heads =
            QJsonDocument::fromJson(text.toUtf8()).object().value("heads").toArray();
        int newest = -1;
        for (const QJsonValue& h : heads) {
            const QJsonObject head = h.toObject();
            const int channel = head.value("channel").toInt();
            const int level = head.value("flash").toObject().value("level").toInt();
            if (channel >= 0 && channel < kChannelCount && level >= 11 && level <= 81)
                newest = std::max(newest, m_traffic.seqOf[channel][level - 11].load());
        }
        const std::lock_guard lock(mutex);
        for (int k = m_delivered[phone] + 1; k <= newest; ++k) {
            latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(now - m_traffic.written[k]).count());
        }
        m_delivered[phone] = std::max(m_delivered[phone], newest);
    }

    Traffic& m_traffic;
    QUrl m_url;
    QByteArray m_token;
    QString m_origin;
    std::vector<int> m_delivered;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p / 100.0 * double(v.size())))];
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    while (!done() && Clock::now() < until)
        runFor(5);
    return done();
}

// Pairs with the server's code: the token for the cookie, empty when that failed.
QByteArray pairWith(RemoteServer& server) {
    QNetworkAccessManager web;
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/pair").arg(server.port())));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    const std::unique_ptr<QNetworkReply> reply(
        web.post(request, "{\"code\":\"" + server.pairingCode().toLatin1() + "\"}"));
    waitFor([&reply] { return reply->isFinished(); });
    return reply->rawHeader("Set-Cookie").mid(15, 32);
}

// One phone on a console that does nothing, with `count` set-ups in the folder: what the
// phone costs while nothing happens.
int idleWithSetups(Core& core, int count) {
    QDir().mkpath(QStringLiteral("Business Memory"));
    for (int n = 0; n < count; ++n) {
        QFile file(QStringLiteral("Business Memory/set-up %1.xml").arg(n, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
    }
    RemoteServer server(core.model, core.link, core.actions);
    if (!server.start(QHostAddress::LocalHost, 0))
        return 1;
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    QWebSocket phone(origin);
    int states = 0;
    QObject::connect(&phone, &QWebSocket::textMessageReceived, [&states] { ++states; });
    QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())));
    request.setRawHeader("Cookie", "lumadesk_token=" + pairWith(server));
    phone.open(request);
    if (!waitFor([&] { return server.clientCount() == 1 && states > 0; }))
        return 1;
    runFor(1000);
    const int statesBefore = states;
    const Clock::time_point start = Clock::now();
    const double cpuBefore = cpuSeconds();
    runFor(10000);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("idle: 1 phone, %d set-ups, %.1f s: %.3f s CPU, %.3f %% of a core, %d states\n",
                count, wall, cpu, 100.0 * cpu / wall, states - statesBefore);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QDir::setCurrent(home.path());
    const bool idleOnly = argc > 2 && qstrcmp(argv[1], "--setups") == 0;
    const double seconds = argc > 1 && !idleOnly ? std::max(1.0, std::atof(argv[1])) : 5.0;
    const int reports = int(seconds / kFrameSeconds);

    Core core;
    PseudoTerminal dongle;
    if (!dongle.open() || !core.link.open(ComSettings{115200, 8, 0, 0, dongle.devicePath()})) {
        std::fprintf(stderr, "bench_remote: no pseudo-terminal\n");
        return 1;
    }
    SelectStudio(&core.model, core.model.studios[0].get());
    core.link.startScan(nullptr);
    for (int ch = 0; ch < kChannelCount; ++ch)
        dongle.writeAll(statusReport(ch, 50));
    if (!waitFor([&] { return core.model.studios[0]->nChItemCnt == kChannelCount; })) {
        std::fprintf(stderr, "bench_remote: the heads did not appear\n");
        return 1;
    }

    if (idleOnly)
        return idleWithSetups(core, std::atoi(argv[2]));

    RemoteServer server(core.model, core.link, core.actions);
    if (!server.start(QHostAddress::LocalHost, 0))
        return 1;
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    const QByteArray token = pairWith(server);

    Traffic traffic(reports);
    QThread phoneThread;
    phoneThread.start();
    Phones phones(traffic, QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())), token,
                  origin);
    phones.moveToThread(&phoneThread);
    QMetaObject::invokeMethod(&phones, [&phones] { phones.open(); });
    if (!waitFor([&] { return server.clientCount() == kPhones && phones.states >= kPhones; })) {
        std::fprintf(stderr, "bench_remote: %d of %d phones connected\n", server.clientCount(),
                     kPhones);
        return 1;
    }

    // The writer keeps to the line's rate by the clock, not by sleeping a fixed time per frame.
    const double trafficCpuBefore = cpuSeconds();
    const Clock::time_point trafficStart = Clock::now();
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        const Clock::time_point start = Clock::now();
        for (int k = 0; k < reports; ++k) {
            const Clock::time_point due =
                start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(k * kFrameSeconds));
            std::this_thread::sleep_until(due);
            const int channel = k % kChannelCount;
            const int level = 11 + (k / kChannelCount) % kLevels;
            const QByteArray frame = statusReport(channel, level);
            traffic.written[std::size_t(k)] = Clock::now();
            traffic.seqOf[channel][level - 11].store(k);
            if (::write(dongle.masterFd(), frame.constData(), std::size_t(frame.size())) !=
                frame.size())
                break;
            traffic.count = k + 1;
        }
        writing = false;
    });
    waitFor([&] { return !writing; }, int(seconds * 1000) + 10000);
    writer.join();
    runFor(200); // the last push
    const double trafficWall = std::chrono::duration<double>(Clock::now() - trafficStart).count();
    const double trafficCpu = cpuSeconds() - trafficCpuBefore;
    std::vector<double> latencies;
    {
        const std::lock_guard lock(phones.mutex);
        latencies = phones.latenciesMs;
    }
    const qint64 expected = qint64(traffic.count) * kPhones;
    std::printf("remote push: %d reports in %.1f s to %d clients, %d states received\n",
                traffic.count.load(), seconds, kPhones, phones.states.load());
    std::printf("  report -> state at each client: %zu of %lld, p50 %.2f ms, p99 %.2f ms, max "
                "%.2f ms\n",
                latencies.size(), static_cast<long long>(expected), percentile(latencies, 50),
                percentile(latencies, 99), percentile(latencies, 100));
    std::printf("  CPU of the whole process meanwhile (reader, server, clients, writer): %.1f %% "
                "of a core\n",
                100.0 * trafficCpu / trafficWall);

    // Idle: the clients stay connected, nothing happens on the radio.
    runFor(1000);
    const double idleSeconds = 10.0;
    const Clock::time_point idleStart = Clock::now();
    const double cpuBefore = cpuSeconds();
    runFor(int(idleSeconds * 1000));
    const double wall = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("idle: %d clients connected for %.1f s: %.3f s CPU, %.3f %% of a core\n",
                server.clientCount(), wall, cpu, 100.0 * cpu / wall);

    QMetaObject::invokeMethod(
        &phones,
        [&phones, &phoneThread] {
            qDeleteAll(phones.findChildren<QWebSocket*>());
            phones.moveToThread(phoneThread.thread());
        },
        Qt::BlockingQueuedConnection);
    phoneThread.quit();
    phoneThread.wait();
    server.stop();
    return 0;
}
