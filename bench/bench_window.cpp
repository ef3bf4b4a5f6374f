// What the whole window costs per status report: the real main window (offscreen, or on the X
// display when DISPLAY is set and BENCH_X=1) on a pseudo-terminal dongle, Studio A with ten heads
// shown and the first one current, then status reports written at the master end at 20, 200 and
// 1000 a second for a few seconds each. Prints the console's CPU time per report (the process's
// user + system time without the writer thread's own, and the GUI thread's alone) and how often
// the window was flushed to the screen.
// Run the release build: build/release/bench/bench_window [SECONDS] [CHANGE] [RATE...]
// CHANGE: every CHANGE-th report of a head carries a new flash level (default 4; 0: never; -1:
// 13 bytes the console cannot decode instead of each report, the floor: the wake-ups alone).
#include "app/CMainFrame.h"
#include "link/ChannelMask.h"
#include "model/StudioModel.h"
#include "platform/PseudoTerminal.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStudioListFormView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace lumadesk;

namespace {

QByteArray statusReport(int channel, int flashLevel) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char bytes[] = {
        '\xFF', 13, 0x01, char(mask >> 8), char(mask & 0xFF), 1, char(flashLevel), 50, 0, 0,
        0,      0,  1};
    return QByteArray(bytes, sizeof bytes);
}

double processCpuUs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double clockUs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

// Runs the event loop for the time given, without polling (a poll would be the bench's own CPU).
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// For set-up only: looks every 10 ms.
bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        runFor(10);
    }
    return true;
}

// Everything the console sends is read and dropped, so its writes never block.
void drain(int fd) {
    char sink[4096];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0 && read(fd, sink, sizeof sink) > 0) {
    }
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, at, std::size_t(left));
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, 100) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
                return false; // nobody will ever drain it
            continue;
        }
        if (n <= 0)
            return false;
        at += n;
        left -= n;
    }
    return true;
}

// Flushes of the window to the screen: each update request of the top-level window paints
// what is dirty and flushes it.
class FlushCounter : public QObject {
public:
    std::atomic<int> count{0};
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::UpdateRequest)
            count.fetch_add(1, std::memory_order_relaxed);
        return QObject::eventFilter(watched, event);
    }
};

struct Row {
    int rate = 0;
    int written = 0;
    double seconds = 0;
    double processUs = 0;
    double guiUs = 0;
    int flushes = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    const bool onX =
        !qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIntValue("BENCH_X") == 1;
    if (!onX)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A home of its own: the window's remembered layout and files stay out of the caller's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    QApplication app(argc, argv);
    bool okSeconds = true;
    bool okChange = true;
    const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble(&okSeconds) : 4;
    const int change = argc > 2 ? QByteArray(argv[2]).toInt(&okChange) : 4;
    std::vector<int> rates;
    for (int a = 3; a < argc; ++a)
        rates.push_back(QByteArray(argv[a]).toInt());
    if (rates.empty())
        rates = {20, 200, 1000};
    const bool okRates = std::all_of(rates.begin(), rates.end(), [](int r) { return r > 0; });
    if (!okSeconds || !okChange || !okRates || seconds <= 0 || change < -1) {
        std::fprintf(stderr, "usage: bench_window [SECONDS] [CHANGE] [RATE...]\n"
                             "Writes status reports of ten heads at 20, 200 and 1000 a second\n"
                             "for SECONDS each (default 4) to the real window on a pseudo-\n"
                             "terminal and prints its CPU time per report. Every CHANGE-th\n"
                             "report of a head brings a new flash level (default 4; 0 never;\n"
                             "-1: undecodable bytes instead, the cost of the wake-ups alone).\n"
                             "RATE: reports a second instead of 20 200 1000.\n");
        return 1;
    }
    QDir::setCurrent(home.path());

    PseudoTerminal dongle;
    if (!dongle.open()) {
        std::fprintf(stderr, "bench_window: no pseudo-terminal\n");
        return 1;
    }
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    if (!waitFor([&] { return frame.paneText(1) == QStringLiteral("Zigbee connected"); }, 10000)) {
        std::fprintf(stderr, "bench_window: the dongle did not connect\n");
        return 1;
    }
    // Studio A addressed as a scan does it, the select taken off the wire.
    StudioModel& model = frame.model();
    StudioData* studio = model.studios[0].get();
    SelectStudio(&model, studio);
    frame.protocol().SendStudioSelect(0);
    if (dongle.readExactly(5, 2000).size() != 5) {
        std::fprintf(stderr, "bench_window: no studio select\n");
        return 1;
    }
    QByteArray heads;
    for (int ch = 0; ch < kChannelCount; ++ch)
        heads += statusReport(ch, 50);
    dongle.writeAll(heads);
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    if (!waitFor(
            [&] {
                return studio->nChItemCnt == kChannelCount &&
                       list->itemShowing(studio->UnitOn(kChannelCount - 1)) != nullptr &&
                       grid->shownCount() == kChannelCount;
            },
            10000)) {
        std::fprintf(stderr, "bench_window: the grid does not show ten heads\n");
        return 1;
    }
    list->tree()->expandAll();
    list->tree()->setCurrentItem(list->itemShowing(studio->UnitOn(0)));
    runFor(500);
    drain(dongle.masterFd());

    FlushCounter flushes;
    frame.installEventFilter(&flushes);
    clockid_t guiClock{};
    pthread_getcpuclockid(pthread_self(), &guiClock);

    std::vector<Row> rows;
    for (const int rate : rates) {
        Row row;
        row.rate = rate;
        double writerUs = 0;
        QEventLoop phase;
        const int total = int(seconds * rate);
        const double cpu0 = processCpuUs();
        const double gui0 = clockUs(guiClock);
        const int flush0 = flushes.count.load();
        QElapsedTimer wall;
        wall.start();
        std::thread writer([&] {
            const double own0 = clockUs(CLOCK_THREAD_CPUTIME_ID);
            const auto period = std::chrono::nanoseconds(1000000000 / rate);
            auto next = std::chrono::steady_clock::now();
            for (int n = 0; n < total; ++n) {
                next += period;
                std::this_thread::sleep_until(next);
                const int channel = n % kChannelCount;
                const int round = n / kChannelCount;
                const int level = change <= 0 ? 50 : 50 + (round / change) % 20;
                const QByteArray bytes =
                    change < 0 ? QByteArray(13, '\0') : statusReport(channel, level);
                if (!writeAll(dongle.masterFd(), bytes))
                    break;
                ++row.written;
                if (n % 64 == 0)
                    drain(dongle.masterFd());
            }
            drain(dongle.masterFd());
            writerUs = clockUs(CLOCK_THREAD_CPUTIME_ID) - own0;
            QMetaObject::invokeMethod(&phase, &QEventLoop::quit, Qt::QueuedConnection);
        });
        phase.exec();
        runFor(300); // the last reports through to the screen
        writer.join();
        row.seconds = double(wall.nsecsElapsed()) / 1e9;
        row.processUs = processCpuUs() - cpu0 - writerUs;
        row.guiUs = clockUs(guiClock) - gui0;
        row.flushes = flushes.count.load() - flush0;
        rows.push_back(row);
    }

    std::printf("status reports of ten heads to the window (%s, %.1f s a rate, new level every "
                "%d reports of a head):\n",
                onX ? "X display" : "offscreen", seconds, change);
    std::printf("  %9s %8s %16s %16s %10s\n", "reports/s", "reports", "process us/rep",
                "gui thread us/rep", "flushes/s");
    for (const Row& row : rows)
        std::printf("  %9d %8d %16.1f %16.1f %10.1f\n", row.rate, row.written,
                    row.processUs / std::max(1, row.written), row.guiUs / std::max(1, row.written),
                    row.flushes / row.seconds);
    return 0;
}
