// A phone's message on /ws as the remote reads it: whatever the bytes, the parser answers either a
// request within the ranges docs/remote.md gives or an error text, and both answers are JSON a
// phone can read back. The state message is built alongside from a studio the input shapes.
//
// Input: one byte of set-up (the channels 0..7 that hold a unit, ticked by its low bit), then
// the message.

#include "fuzz/FuzzSupport.h"
#include "link/FrameTypes.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "remote/RemoteMessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdint>

using namespace lumadesk;

namespace {

void checkRequest(const RemoteRequest& r) {
    using fuzz::expect;
    expect(r.id >= 0, "id below 0");
    switch (r.op) {
    case RemoteOp::Step:
        expect(r.by == -10 || r.by == -1 || r.by == 1 || r.by == 10, "step by out of range");
        [[fallthrough]];
    case RemoteOp::Test:
        expect(r.channel >= 0 && r.channel < kChannelCount, "channel out of range");
        break;
    case RemoteOp::Switch:
        expect(r.channel >= 0 && r.channel < kChannelCount, "channel out of range");
        expect(r.commandType == CMD_FLASH_POWER || r.commandType == CMD_MODEL_POWER,
               "switch of another setting");
        break;
    case RemoteOp::Offset:
        expect(r.by != 0 && r.by >= kLowestOffset && r.by <= kHighestOffset, "offset out of range");
        break;
    case RemoteOp::Load:
        expect(!r.name.isEmpty() && r.name.size() <= kMaxRemoteNameLength, "name length");
        break;
    case RemoteOp::SendAgain:
        expect(r.channel == -1 && r.name.isEmpty(), "send again with a head or a name");
        break;
    }
}

bool readable(const QByteArray& json) {
    QJsonParseError problem;
    return QJsonDocument::fromJson(json, &problem).isObject() &&
           problem.error == QJsonParseError::NoError;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static StudioModel model;
    StudioData* studio = model.studios[2].get();
    ClearStudio(&model, studio);
    for (int c = 0; c < 8; ++c) {
        if (data[0] & (1 << c)) {
            auto unit = std::make_unique<StrobeData>();
            unit->nFlashValue = 11 + c * 10;
            unit->bChSelect = data[0] & 1;
            PutStrobe(studio, c, std::move(unit));
        }
    }
    model.pScanStudio = (data[0] & 0x80) != 0 ? nullptr : studio;
    const QByteArrayView message(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const RemoteParse parsed = ParseRemoteRequest(message);
    fuzz::expect(parsed.request.has_value() != !parsed.error.isEmpty(),
                 "neither or both of request and error");
    if (parsed.request) {
        checkRequest(*parsed.request);
        fuzz::expect(parsed.id == parsed.request->id, "id not the request's");
        fuzz::expect(readable(RemoteOkJson(parsed.request->id)), "ok not JSON");
    } else {
        fuzz::expect(readable(RemoteErrorJson(parsed.id, parsed.error)), "error not JSON");
    }
    if (message.size() > 4096)
        fuzz::expect(!parsed.request, "an over-long message was taken");

    RemoteStateInputs in;
    in.model = &model;
    if (parsed.request && parsed.request->op == RemoteOp::Load)
        in.setups << parsed.request->name;
    // The state is the costly half under the sanitizers; every eighth input is enough for it.
    if ((data[0] & 0x70) == 0) {
        const QByteArray state = RemoteStateJson(in);
        fuzz::expect(readable(state), "state not JSON");
        fuzz::expect(state == RemoteStateJson(in), "state differs for the same inputs");
    }
    return 0;
}
