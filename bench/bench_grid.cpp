// The channel grid under radio traffic: a studio of ten shown heads in the real main window
// (offscreen), fed status, levels and heat reports through the receive ring, the frame's drain and
// relays and the navigation pane. Measures the time from a report's last byte entering the ring
// to the grid's cell model being updated ("to the cell"), and apart from it to the grid's repaint
// being done ("to paint"; the next report waits for it), and the event loop's lag while ten heads
// report 200 times a second each. Run the release build: build/release/bench/bench_grid [REPORTS]
// [SECONDS]
#include "app/CMainFrame.h"
#include "link/ChannelMask.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <semaphore>
#include <thread>
#include <vector>

using namespace lumadesk;

namespace {

// BENCH_TRAFFIC_OFF=1 takes the radio traffic log away, to measure what keeping it costs while
// its dock is hidden (the default).
void leaveTrafficLogOff(CMainFrame& frame) {
    if (qEnvironmentVariableIntValue("BENCH_TRAFFIC_OFF") == 1)
        frame.radio().setTrafficLog(nullptr);
}

using Clock = std::chrono::steady_clock;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

enum Kind { STATUS, HEAT, LEVELS, KIND_COUNT };
const char* const kKindNames[KIND_COUNT] = {"status", "heat", "levels"};
// Cells a report updates: the head's block, its status cell, the power labels of all ten.
constexpr int kUpdates[KIND_COUNT] = {1, 1, kChannelCount};

QByteArray report(Kind kind, int channel, int n) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char level = char(11 + n % 80); // always a level the heads take
    switch (kind) {
    case STATUS: {
        const char bytes[] = {
            '\xFF', 13, 0x01, char(mask >> 8), char(mask & 0xFF), 1, level, 50, 0, 0, 0, 0, 1};
        return QByteArray(bytes, sizeof bytes);
    }
    case HEAT: { // below the alarm, so the heads keep showing their levels
        const char bytes[] = {'\xFF', 7, 0x3A, char(mask >> 8), char(mask & 0xFF), 0, char(n % 60)};
        return QByteArray(bytes, sizeof bytes);
    }
    default: {
        QByteArray bytes("\xFF\x17\x1E", 3);
        for (int i = 0; i < kChannelCount; ++i)
            bytes.append(level).append(level);
        return bytes;
    }
    }
}

// The reader thread's part: bytes into the ring, then the bytes-received message.
bool feed(CMainFrame& frame, const QByteArray& bytes) {
    const bool stored = frame.port().Ring().append(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()));
    PostMessage(&frame.radio(), Msg::FrameBytesReceived);
    return stored;
}

double percentile(std::vector<qint64> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return double(v[std::min(v.size() - 1, std::size_t(p * double(v.size())))]);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool okReports = true;
    bool okSeconds = true;
    const int reports = argc > 1 ? QByteArray(argv[1]).toInt(&okReports) : 100000;
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt(&okSeconds) : 10;
    if (argc > 3 || !okReports || !okSeconds || reports <= 0 || seconds <= 0) {
        std::fprintf(
            stderr,
            "usage: bench_grid [REPORTS] [SECONDS]\n"
            "Feeds REPORTS (default 100000) status, heat and levels reports one at a time\n"
            "through the main window to the channel grid and prints the latency from the\n"
            "ring to the grid's cells; then lets ten heads report 200 times a second each\n"
            "for SECONDS (default 10) and prints the event loop's lag, with a run of SECONDS\n"
            "without reports before it for comparison.\n");
        return argc > 1 && (QByteArray(argv[1]) == "--help" || QByteArray(argv[1]) == "-h") ? 0 : 1;
    }

    // No Option.xml of the caller's, and a port that never opens: the ring is only ours.
    QTemporaryDir cwd;
    QDir::setCurrent(cwd.path());
    CMainFrame frame(ShellOptions{cwd.filePath("no-port"), {}, {}});
    frame.show();
    leaveTrafficLogOff(frame);
    StudioModel& model = frame.model();
    StudioData* studio = model.studios[0].get();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        StrobeData* unit = PutStrobe(studio, ch, std::make_unique<StrobeData>());
        unit->nNodeKind = NODE_STROBE; // as the studio tree makes them
    }
    SelectStudio(&model, studio);
    // No retries to open the absent port: each failed open forgets the addressed studio, and
    // the reports of a studio not addressed are dropped.
    frame.link().suspendForSettings();
    model.pAddressedStudio = studio;
    SendMessage(frame.navigationPane(), Msg::NavShowStudio, 0, AsLParam(studio));
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    if (grid == nullptr || grid->shownCount() != kChannelCount) {
        std::fprintf(stderr, "bench_grid: the grid does not show ten heads\n");
        return 1;
    }

    // Phase 1: one report at a time; the feeder waits until the grid has all its cells.
    std::atomic<qint64> sentAt{0};
    std::atomic<int> expected{0};
    int seen = 0;
    std::binary_semaphore done(0);
    std::vector<qint64> latency[KIND_COUNT];
    std::vector<qint64> painted[KIND_COUNT];
    Kind kindNow = STATUS;
    QObject::connect(grid->cellModel(), &QAbstractItemModel::dataChanged, [&] {
        if (++seen != expected.load(std::memory_order_acquire))
            return;
        latency[kindNow].push_back(nowNs() - sentAt.load(std::memory_order_acquire));
        // The report's repaint is timed on its own, and done before the next report is sent:
        // left waiting for the grid's frame it would land inside a later report's time.
        QMetaObject::invokeMethod(
            &app,
            [&] {
                grid->paintPending();
                QCoreApplication::sendPostedEvents(grid->window(), QEvent::UpdateRequest);
                painted[kindNow].push_back(nowNs() - sentAt.load(std::memory_order_acquire));
                done.release();
            },
            Qt::QueuedConnection);
    });
    std::thread feeder([&] {
        for (int n = 0; n < reports; ++n) {
            const Kind kind = Kind(n % KIND_COUNT);
            const QByteArray bytes = report(kind, (n / KIND_COUNT) % kChannelCount, n);
            QMetaObject::invokeMethod(
                &app,
                [&, kind] {
                    kindNow = kind;
                    seen = 0;
                },
                Qt::BlockingQueuedConnection);
            expected.store(kUpdates[kind], std::memory_order_release);
            const bool stored = frame.port().Ring().append(
                reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()));
            sentAt.store(nowNs(), std::memory_order_release);
            PostMessage(&frame.radio(), Msg::FrameBytesReceived);
            if (stored)
                done.acquire();
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    feeder.join();
    QObject::disconnect(grid->cellModel(), nullptr, nullptr, nullptr);

    const auto table = [](const char* title, std::vector<qint64>* byKind) {
        std::printf("%s\n", title);
        std::vector<qint64> all;
        for (int k = 0; k < KIND_COUNT; ++k) {
            all.insert(all.end(), byKind[k].begin(), byKind[k].end());
            std::printf("  %-8s %6zu  median %7.1f us  p99 %7.1f us  max %8.1f us\n", kKindNames[k],
                        byKind[k].size(), percentile(byKind[k], 0.5) / 1e3,
                        percentile(byKind[k], 0.99) / 1e3, percentile(byKind[k], 1.0) / 1e3);
        }
        std::printf("  %-8s %6zu  median %7.1f us  p99 %7.1f us  max %8.1f us\n", "all", all.size(),
                    percentile(all, 0.5) / 1e3, percentile(all, 0.99) / 1e3,
                    percentile(all, 1.0) / 1e3);
    };
    std::printf("%d reports, one at a time:\n", reports);
    table("latency, last byte in the ring -> grid cell model updated (to the cell):", latency);
    table("latency, last byte in the ring -> the grid's repaint done (to paint):", painted);

    // Phase 2: ten heads, 200 reports a second each, paced by the feeder; a 5 ms timer on the
    // GUI thread measures how late the loop comes round. The same without reports first: on a
    // shared machine that is the floor the figure stands on.
    constexpr int kTickMs = 5;
    auto lagRun = [&](bool withReports) {
        std::vector<qint64> lag;
        std::atomic<bool> stop{false};
        int sent = 0;
        int dropped = 0;
        qint64 last = nowNs();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = nowNs();
            lag.push_back(std::max<qint64>(0, now - last - qint64(kTickMs) * 1000000));
            last = now;
        });
        std::thread paced([&] {
            const auto period = std::chrono::microseconds(1000000 / (10 * 200));
            auto next = Clock::now();
            for (int n = 0; withReports && !stop.load(std::memory_order_acquire); ++n) {
                next += period;
                std::this_thread::sleep_until(next);
                const Kind kind = Kind(n % KIND_COUNT);
                dropped += feed(frame, report(kind, n % kChannelCount, n)) ? 0 : 1;
                ++sent;
            }
        });
        QTimer::singleShot(seconds * 1000, [&] {
            stop.store(true, std::memory_order_release);
            app.quit();
        });
        last = nowNs();
        ticker.start(kTickMs);
        app.exec();
        paced.join();
        ticker.stop();
        QCoreApplication::sendPostedEvents();
        if (withReports)
            std::printf("event-loop lag, 10 heads x 200 reports/s for %d s (%d reports, %d "
                        "dropped at a full ring):\n",
                        seconds, sent, dropped);
        else
            std::printf("event-loop lag, no reports, %d s:\n", seconds);
        std::printf("  %zu ticks of %d ms  median %.2f ms  p99 %.2f ms  max %.2f ms\n", lag.size(),
                    kTickMs, percentile(lag, 0.5) / 1e6, percentile(lag, 0.99) / 1e6,
                    percentile(lag, 1.0) / 1e6);
    };
    lagRun(false);
    lagRun(true);
    return 0;
}
