// What a stranger's bytes meet first at the remote: the Host header and the client's WebSocket
// frames. Whatever the bytes:
// - a Host that splits is plain, its name is not empty, its port is at most five digits, and its
//   parts rebuild it exactly;
// - the frame watch gives the same verdict, at the same place, whether the bytes come whole or in
//   the pieces the input chooses, with a reader that consumes what the watch says complete
//   pieces take.
//
// Input: one byte choosing the chunk size (1..16, or all at once for 0), then the bytes; the same
// bytes are also read as a Host header.

#include "fuzz/FuzzSupport.h"
#include "remote/RemoteGate.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>

using namespace lumadesk;
using fuzz::expect;

namespace {

void checkHost(const QByteArray& host) {
    const std::optional<HostParts> parts = SplitHost(host);
    if (!parts)
        return;
    expect(IsPlainHost(host), "a host that split is not plain");
    expect(!parts->name.isEmpty(), "a host split into an empty name");
    expect(parts->port.size() <= 5, "a port of more than five digits");
    for (char c : parts->port)
        expect(c >= '0' && c <= '9', "a port that is not digits");
    QByteArray rebuilt = parts->bracketed ? '[' + parts->name + ']' : parts->name;
    if (!parts->port.isEmpty())
        rebuilt += ':' + parts->port;
    expect(rebuilt == host, "a host's parts do not rebuild it");
}

// Feeds the bytes in chunks to a reader that keeps what is unconsumed; how many bytes were
// consumed when the watch failed (or at the end), and whether it failed.
std::pair<qsizetype, bool> follow(const QByteArray& bytes, qsizetype chunk) {
    ClientFrameWatch watch;
    QByteArray unread;
    qsizetype consumed = 0;
    for (qsizetype at = 0; at < bytes.size() && !watch.failed(); at += chunk) {
        unread += bytes.mid(at, chunk);
        const qsizetype taken = watch.follow(unread.constData(), unread.size());
        expect(taken >= 0 && taken <= unread.size(), "the watch took bytes it was not given");
        consumed += taken;
        unread.remove(0, taken);
    }
    return {consumed, watch.failed()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    checkHost(bytes);
    const qsizetype chunk = data[0] % 17 == 0 ? std::max<qsizetype>(1, bytes.size()) : data[0] % 17;
    const auto whole = follow(bytes, std::max<qsizetype>(1, bytes.size()));
    const auto pieces = follow(bytes, chunk);
    expect(whole == pieces, "the frame watch's verdict depends on how the bytes came");
    return 0;
}
