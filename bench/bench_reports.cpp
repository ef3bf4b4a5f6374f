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

// A plausible mix of what heads send: mostly setting echoes, some charge and heat reports,
// status refreshes, levels echoes and a little noise.
QByteArray reportStream(qsizetype size) {
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
        if (pick < 55) { // setting echo
            static const char types[] = {3, 4, 5, 6, 7, 8, 12, 13};
            const char type = types[random.bounded(8)];
            out += QByteArray("\xFF\x07", 2) + char(0x10 | type) + mask(channel) + level + level;
        } else if (pick < 75) { // charge
            out += QByteArray("\xFF\x07\x61", 3) + mask(channel) + '\0' + char(pick & 1);
        } else if (pick < 85) { // heat
            out += QByteArray("\xFF\x07\x3A", 3) + mask(channel) + '\0' + level;
        } else if (pick < 93) { // status refresh
            out += QByteArray("\xFF\x0D\x01", 3) + mask(channel) + QByteArray("\x01", 1) + level +
                   level + QByteArray("\x00\x01\x00\x01\x01", 5);
        } else if (pick < 98) { // levels echo
            out += QByteArray("\xFF\x17\x1E", 3);
            for (int i = 0; i < 10; ++i)
                out.append(level).append(level);
        } else { // a rejected frame and stray bytes
            out += QByteArray("\x13\xFF\x07\x45\x00\x01\x00\x02", 8);
        }
    }
    return out;
}

double megabytesPerSecond(qint64 bytes, qint64 nanoseconds) {
    return double(bytes) / (1024.0 * 1024.0) / (double(nanoseconds) / 1e9);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const qsizetype megabytes = argc > 1 ? QByteArray(argv[1]).toInt() : 64;
    const QByteArray stream = reportStream(megabytes * 1024 * 1024);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    constexpr int kBurst = 2048; // the reader's chunk size

    // Assembler alone.
    NullDispatcher null;
    ReportAssembler bare(null);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < stream.size(); at += kBurst)
        bare.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
    const qint64 bareNs = timer.nsecsElapsed();

    // Decoders and handler without message delivery (no target).
    {
        StudioModel model;
        StudioData* studio = model.studios[0].get();
        for (int ch = 0; ch < kChannelCount; ++ch)
            PutStrobe(studio, ch, std::make_unique<StrobeData>());
        SelectStudio(&model, studio);
        CStrobeEventHandler handler(nullptr, &model);
        CZbProtocol protocol(nullptr, &handler);
        ReportAssembler assembler(protocol);
        timer.restart();
        for (qsizetype at = 0; at < stream.size(); at += kBurst)
            assembler.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
        std::printf("without message delivery:   %7.1f MB/s\n",
                    megabytesPerSecond(stream.size(), timer.nsecsElapsed()));
    }

    // Whole path into a studio of ten units.
    StudioModel model;
    StudioData* studio = model.studios[0].get();
    for (int ch = 0; ch < kChannelCount; ++ch)
        PutStrobe(studio, ch, std::make_unique<StrobeData>());
    SelectStudio(&model, studio);
    CountingTarget target;
    CStrobeEventHandler handler(&target, &model);
    CZbProtocol protocol(nullptr, &handler);
    ReportAssembler assembler(protocol);
    timer.restart();
    for (qsizetype at = 0; at < stream.size(); at += kBurst) {
        assembler.Feed(bytes + at, int(qMin<qsizetype>(kBurst, stream.size() - at)));
        QCoreApplication::sendPostedEvents(); // posted messages are handled per burst
    }
    const qint64 fullNs = timer.nsecsElapsed();

    std::printf("stream: %lld bytes, %lld frames\n", qlonglong(stream.size()),
                qlonglong(null.frames));
    std::printf("assembler alone:           %8.1f MB/s\n",
                megabytesPerSecond(stream.size(), bareNs));
    std::printf("assembler+decoders+handler: %7.1f MB/s  (%lld messages, %.1f M messages/s)\n",
                megabytesPerSecond(stream.size(), fullNs), qlonglong(target.messages),
                double(target.messages) / (double(fullNs) / 1e9) / 1e6);
    return 0;
}
