// The simulator's cutter of the console's byte stream into command frames.
//
// Input: one byte of burst size (1..64), then the stream.

#include "fuzz/FuzzSupport.h"
#include "sim/CommandCutter.h"

#include <cstdint>

using namespace lumadesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumadesk::fuzz;
    if (size < 1)
        return 0;
    const qsizetype burst = data[0] % 64 + 1;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype total = qsizetype(size) - 1;

    sim::CommandCutter cutter;
    qint64 framed = 0;
    for (qsizetype at = 0; at < total; at += burst) {
        const QList<QByteArray> frames =
            cutter.feed(QByteArrayView(bytes + at, std::min(burst, total - at)));
        for (const QByteArray& frame : frames) {
            expect(frame.size() >= 2 && quint8(frame[0]) == 0xFF, "a frame without its start");
            const int length = quint8(frame[1]);
            expect(length == 5 || length == 7 || length == 14 || length == 23,
                   "a frame of a length no command has");
            expect(frame.size() == length, "a frame of another size than its length byte");
            expect(frame.indexOf(char(0xFF), 1) < 0, "a start byte inside a frame");
            framed += frame.size();
        }
    }
    // Once the unfinished frame is forgotten, every byte is either in a frame or discarded.
    cutter.reset();
    expect(framed + cutter.discarded() == total, "bytes lost or counted twice");
    return 0;
}
