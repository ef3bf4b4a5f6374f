// Throughput of the receive path: report bytes through the assembler, the decoders and the event
// handler into a studio of ten units, with the handler's messages delivered to an object that
// counts them. Run the release build: build/release/bench/bench_reports [megabytes]
#include "link/CStrobeEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/ReportAssembler.h"
#include "model/StudioModel.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>

namespace {

class CountingTarget : public QObject {
public:
    qint64 messages = 0;

protected:
    void customEvent(QEvent* event) override {
        if (AsWindowMessage(event) != nullptr)
            ++messages;
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

} // namespace

void run(const Mix& mix, qsizetype megabytes) {
    const QByteArray stream = reportStream(megabytes * 1024 * 1024, mix);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    constexpr int kBurst = 2048; // the reader's chunk size
    auto feedAll = [&](ReportAssembler& assembler, bool deliverPosted) {
        QElapsedTimer timer;
        timer.start();
        for (qsizetype at = 0; at < stream.size(); at += kBurst) {
            assembler.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
            if (deliverPosted)
                QCoreApplication::sendPostedEvents(); // as the event loop does after a burst
        }
        return timer.nsecsElapsed();
    };

    NullDispatcher null;
    ReportAssembler bare(null);
    const qint64 bareNs = feedAll(bare, false);

    auto studioOfTen = [](StudioModel& model) {
        StudioData* studio = model.studios[0].get();
        for (int ch = 0; ch < kChannelCount; ++ch)
            PutStrobe(studio, ch, std::make_unique<StrobeData>());
        SelectStudio(&model, studio);
    };
    StudioModel quietModel;
    studioOfTen(quietModel);
    CStrobeEventHandler quietHandler(nullptr, &quietModel); // no target: no messages
    CZbProtocol quietProtocol(nullptr, &quietHandler);
    ReportAssembler quiet(quietProtocol);
    const qint64 quietNs = feedAll(quiet, false);

    StudioModel model;
    studioOfTen(model);
    CountingTarget target;
    CStrobeEventHandler handler(&target, &model);
    CZbProtocol protocol(nullptr, &handler);
    ReportAssembler assembler(protocol);
    const qint64 fullNs = feedAll(assembler, true);

    std::printf("%s: %lld bytes, %lld frames, %lld messages\n", mix.name, qlonglong(stream.size()),
                qlonglong(null.frames), qlonglong(target.messages));
    std::printf("  assembler alone                  %8.1f MB/s\n",
                megabytesPerSecond(stream.size(), bareNs));
    std::printf("  + decoders + handler, no messages %7.1f MB/s\n",
                megabytesPerSecond(stream.size(), quietNs));
    std::printf("  + messages delivered and counted  %7.1f MB/s  (%.1f M messages/s)\n",
                megabytesPerSecond(stream.size(), fullNs),
                double(target.messages) / (double(fullNs) / 1e9) / 1e6);
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    bool ok = true;
    const qsizetype megabytes = argc > 1 ? QByteArray(argv[1]).toInt(&ok) : 64;
    if (argc > 2 || !ok || megabytes <= 0) {
        std::fprintf(stderr,
                     "usage: bench_reports [MEGABYTES]\n"
                     "Feeds MEGABYTES (default 64) of report frames through the assembler, the\n"
                     "decoders and the event handler and prints the throughput of each stage.\n");
        return argc > 1 && (QByteArray(argv[1]) == "--help" || QByteArray(argv[1]) == "-h") ? 0 : 1;
    }
    run(kSessionMix, megabytes);
    run(kHeavyMix, megabytes);
    return 0;
}
