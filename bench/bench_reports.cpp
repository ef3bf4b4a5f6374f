// Throughput of the receive path as the program runs it: report bytes through the receive ring,
// the drain on the bytes-received message, the assembler, the decoders and the event handler
// into a studio of ten units, and the handler's messages through the main frame's relay to the
// panes, in a real main frame (offscreen). Once with the bursts put into the ring by hand, once
// with a real pseudo-terminal and the port's reader thread in front.
// Run the release build: build/release/bench/bench_reports [megabytes]
#include "app/CMainFrame.h"
#include "link/RadioLink.h"
#include "link/ReportAssembler.h"
#include "link/TrafficLog.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "platform/WindowMessage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace lumadesk;

namespace {

// BENCH_TRAFFIC_OFF=1 takes the radio traffic log away, to measure what keeping it costs while
// its dock is hidden (the default).
void leaveTrafficLogOff(CMainFrame& frame) {
    if (qEnvironmentVariableIntValue("BENCH_TRAFFIC_OFF") == 1)
        frame.radio().setTrafficLog(nullptr);
}

// Counts the unit messages (70-72) that reach the frame, without taking them.
class MessageCounter : public QObject {
public:
    qint64 messages = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (WindowMessage* m = AsWindowMessage(event)) {
            if (m->number() == Msg::FrameNewUnit || m->number() == Msg::FrameUnitStatus ||
                m->number() == Msg::FrameUnitSetting)
                ++messages;
        }
        return false;
    }
};

class NullDispatcher : public ReportDispatcher {
public:
    qint64 frames = 0;
    int DispatchReport(const std::uint8_t*, int) override { return int(++frames & 1); }
};

// Shares of frame kinds in percent: setting echo, charge, heat, status, levels echo; the rest
// is noise (a rejected frame and a stray byte).
struct Mix {
    const char* name;
    int setting, charge, heat, status, levels;
};

// What a session sends back: an echo per command, two charge reports per test flash, heat now
// and then, status reports at a scan, a levels echo per group change.
constexpr Mix kSessionMix{"session mix", 60, 25, 10, 2, 2};
// Message-heavy: many status refreshes and levels echoes that touch all ten heads.
constexpr Mix kHeavyMix{"heavy mix", 55, 20, 10, 8, 5};

QByteArray reportStream(qsizetype size, const Mix& mix) {
    QRandomGenerator random(7);
    QByteArray out;
    out.reserve(size + 32);
    auto mask = [&](int channel) {
        const int bits = channel < 5 ? 1 << channel : 0x100 << (channel - 5);
        QByteArray wire;
        wire.append(char(bits >> 8)).append(char(bits & 0xFF));
        return wire;
    };
    while (out.size() < size) {
        const int pick = int(random.bounded(100));
        const int channel = int(random.bounded(10));
        const char level = char(11 + random.bounded(71));
        if (pick < mix.setting) {
            static const char types[] = {3, 4, 5, 6, 7, 8, 12, 13};
            const char type = types[random.bounded(8)];
            out += QByteArray("\xFF\x07", 2) + char(0x10 | type) + mask(channel) + level + level;
        } else if (pick < mix.setting + mix.charge) {
            out += QByteArray("\xFF\x07\x61", 3) + mask(channel) + '\0' + char(pick & 1);
        } else if (pick < mix.setting + mix.charge + mix.heat) {
            out += QByteArray("\xFF\x07\x3A", 3) + mask(channel) + '\0' + level;
        } else if (pick < mix.setting + mix.charge + mix.heat + mix.status) {
            out += QByteArray("\xFF\x0D\x01", 3) + mask(channel) + QByteArray("\x01", 1) + level +
                   level + QByteArray("\x00\x01\x00\x01\x01", 5);
        } else if (pick < mix.setting + mix.charge + mix.heat + mix.status + mix.levels) {
            out += QByteArray("\xFF\x17\x1E", 3);
            for (int i = 0; i < 10; ++i)
                out.append(level).append(level);
        } else {
            out += QByteArray("\x13\xFF\x07\x45\x00\x01\x00\x02", 8);
        }
    }
    return out;
}

double megabytesPerSecond(qint64 bytes, qint64 nanoseconds) {
    return double(bytes) / (1024.0 * 1024.0) / (double(nanoseconds) / 1e9);
}

constexpr int kBurst = 2048; // the reader's chunk size

void studioOfTen(StudioModel& model) {
    StudioData* studio = model.studios[0].get();
    for (int ch = 0; ch < kChannelCount; ++ch)
        PutStrobe(studio, ch, std::make_unique<StrobeData>());
    SelectStudio(&model, studio);
    model.pAddressedStudio = studio; // as a select on the air makes it: reports land here
}

void deliverAll() {
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

// The reader's part done by hand: each burst goes into the frame's ring and the frame is told,
// then the event loop runs once, as after a burst from the reader.
qint64 throughRing(const QByteArray& stream, MessageCounter& counter) {
    CMainFrame frame(ShellOptions{QStringLiteral("/nonexistent/bench-port"), {}, {}});
    frame.installEventFilter(&counter);
    frame.show();
    leaveTrafficLogOff(frame);
    studioOfTen(frame.model());
    deliverAll();
    counter.messages = 0;
    ReceiveRing& ring = frame.port().Ring();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < stream.size(); at += kBurst) {
        if (!ring.append(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at))))
            qFatal("ring full");
        PostMessage(&frame.radio(), Msg::FrameBytesReceived);
        QCoreApplication::processEvents();
    }
    deliverAll();
    return timer.nsecsElapsed();
}

// The whole way: a writer thread plays the dongle on the master end of a pseudo-terminal, the
// frame's port reads the device end. The writer keeps no more bytes under way than the ring
// holds, so nothing is dropped; it counts what the drain took from the ring's read index.
qint64 throughPty(const QByteArray& stream, MessageCounter& counter) {
    PseudoTerminal dongle;
    if (!dongle.open())
        qFatal("no pseudo-terminal");
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.installEventFilter(&counter);
    frame.show();
    studioOfTen(frame.model());
    QElapsedTimer wait;
    wait.start();
    while (!frame.link().isUp() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!frame.link().isUp())
        qFatal("the frame did not open the pseudo-terminal");
    // Opening the port forgets the addressed studio.
    frame.model().pAddressedStudio = frame.model().studios[0].get();
    deliverAll();
    counter.messages = 0;

    const ReceiveRing& ring = frame.port().Ring();
    QEventLoop loop;
    std::atomic<bool> failed{false};
    QElapsedTimer timer;
    timer.start();
    std::thread writer([&] {
        constexpr qint64 kMostUnderWay = ReceiveRing::kCapacity - 1 - kBurst;
        const char* bytes = stream.constData();
        qint64 written = 0, taken = 0;
        int lastRead = ring.readIndex();
        while (taken < stream.size()) {
            const int read = ring.readIndex();
            taken += (read - lastRead + ReceiveRing::kSize) % ReceiveRing::kSize;
            lastRead = read;
            if (written < stream.size() && written - taken <= kMostUnderWay) {
                const ssize_t n = ::write(dongle.masterFd(), bytes + written,
                                          size_t(qMin<qint64>(kBurst, stream.size() - written)));
                if (n > 0)
                    written += n;
                else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                    failed = true;
                    break;
                }
            } else {
                std::this_thread::yield();
            }
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    writer.join();
    deliverAll();
    const qint64 ns = timer.nsecsElapsed();
    if (failed)
        qFatal("writing to the pseudo-terminal failed");
    return ns;
}

// Records each frame in the traffic log and does nothing else.
struct LoggingDispatcher : ReportDispatcher {
    explicit LoggingDispatcher(TrafficLog& into) : log(into) {}
    int DispatchReport(const std::uint8_t* frame, int) override {
        log.record(TrafficDirection::Received, frame, frame[1]);
        return 0;
    }
    TrafficLog& log;
};

} // namespace

void run(const Mix& mix, qsizetype megabytes) {
    const QByteArray stream = reportStream(megabytes * 1024 * 1024, mix);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());

    NullDispatcher null;
    ReportAssembler bare(null);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < stream.size(); at += kBurst)
        bare.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
    const qint64 bareNs = timer.nsecsElapsed();

    // The same with every frame recorded in the radio traffic log, as the link does whether or
    // not its dock is shown.
    TrafficLog log;
    LoggingDispatcher logging{log};
    ReportAssembler logged(logging);
    timer.restart();
    for (qsizetype at = 0; at < stream.size(); at += kBurst)
        logged.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
    const qint64 loggedNs = timer.nsecsElapsed();

    MessageCounter ringCount;
    const qint64 ringNs = throughRing(stream, ringCount);
    MessageCounter ptyCount;
    const qint64 ptyNs = throughPty(stream, ptyCount);

    std::printf("%s: %lld bytes, %lld frames, %lld messages (%lld through the terminal)\n",
                mix.name, qlonglong(stream.size()), qlonglong(null.frames),
                qlonglong(ringCount.messages), qlonglong(ptyCount.messages));
    std::printf("  assembler alone                               %8.1f MB/s\n",
                megabytesPerSecond(stream.size(), bareNs));
    std::printf(
        "  assembler + traffic log                       %8.1f MB/s  (%+.0f ns per frame)\n",
        megabytesPerSecond(stream.size(), loggedNs),
        double(loggedNs - bareNs) / double(qMax<qint64>(null.frames, 1)));
    std::printf("  ring, drain, main frame, relays               %8.1f MB/s  (%.1f M messages/s)\n",
                megabytesPerSecond(stream.size(), ringNs),
                double(ringCount.messages) / (double(ringNs) / 1e9) / 1e6);
    std::printf("  pseudo-terminal, reader, ring ... relays      %8.1f MB/s  (%.1f M messages/s)\n",
                megabytesPerSecond(stream.size(), ptyNs),
                double(ptyCount.messages) / (double(ptyNs) / 1e9) / 1e6);
}

int main(int argc, char* argv[]) {
    // A real main frame needs a window system; offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool ok = true;
    const qsizetype megabytes = argc > 1 ? QByteArray(argv[1]).toInt(&ok) : 64;
    if (argc > 2 || !ok || megabytes <= 0) {
        std::fprintf(
            stderr,
            "usage: bench_reports [MEGABYTES]\n"
            "Feeds MEGABYTES (default 64) of report frames through the receive ring, the\n"
            "drain and a real main frame (offscreen) with its relays to the panes, once by\n"
            "hand and once through a pseudo-terminal and the port's reader thread, and\n"
            "prints the throughput of each.\n");
        return argc > 1 && (QByteArray(argv[1]) == "--help" || QByteArray(argv[1]) == "-h") ? 0 : 1;
    }
    run(kSessionMix, megabytes);
    run(kHeavyMix, megabytes);
    return 0;
}
