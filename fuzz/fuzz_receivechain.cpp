// The whole receive chain as the window runs it: bytes from the port go into the link's ring and
// RadioLink::drain takes them through the assembler, the traffic log's stage, the protocol's
// decoders, the heard log, the book of pending values and the event handler into a studio model,
// whose messages a stand-in for the main frame takes as the relay does. Commands go out between
// the bursts (the port is closed: they are logged "out, link down" and noted as pending), and a
// clock of the input's own lets the values run out. At the end every logged frame is put into
// words, and each sent frame is checked against the ranges of its fields.
//
// Input: eight bytes of set-up, then the wire.
//   [0] low 3 bits: the current node: studio 0..4, 5 the memory studio, 6 none, 7 the first unit
//       of studio 1 (its light node when bit 3 is set), also addressed when one of the five;
//       high 4 bits: k, a scan of the current studio before burst k - 1 (0: no scan)
//   [1], [2]: the channels (bits 0..9) that hold a unit before the first byte
//   [3]: low 6 bits: the burst size - 1; high 2 bits: drain after every 1..4 bursts
//   [4]: where the ring's indices start, in steps of 16 bytes, so bursts wrap round its end
//   [5]: bit n: a command goes out after burst n
//   [6]: which commands
//   [7]: how far the clock moves after each burst, in steps of 50 ms

#include "fuzz/FuzzSupport.h"
#include "link/ChannelMask.h"
#include "link/FrameTypes.h"
#include "link/FrameWords.h"
#include "link/RadioLink.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

using namespace lumadesk;

namespace lumadesk::fuzz {
namespace {

// Takes the handler's messages as the main frame's relay does: through HeldRecordOf, so a posted
// record is read only while the model holds that very record.
class RelayStandIn : public QObject {
public:
    explicit RelayStandIn(const StudioModel& model) : m_model(model) {}

protected:
    void customEvent(QEvent* event) override {
        const WindowMessage* message = AsWindowMessage(event);
        if (message == nullptr)
            return;
        const int number = message->number();
        expect(number == Msg::FrameNewUnit || number == Msg::FrameUnitStatus ||
                   number == Msg::FrameUnitSetting,
               "a message the main frame does not expect");
        const StrobeData* unit = HeldRecordOf(m_model, *message);
        if (unit == nullptr)
            return;
        volatile long long sum = unit->nFlashValue + unit->nModelValue + unit->bFlashCharge +
                                 unit->nHeatLevel + unit->sLightName.size();
        (void)sum;
        // The serial makes a record at a reused address a stranger.
        expect(number == Msg::FrameUnitSetting || message->wParam() == unit->nChNum,
               "a message reached the record of another channel");
    }

private:
    const StudioModel& m_model;
};

// The unit command types, in the table's order.
std::vector<int> commandTypes() {
    std::vector<int> types;
    for (const UnitSetting& setting : UnitSettings())
        types.push_back(setting.commandType);
    return types;
}

void send(RadioLink& link, StudioModel& model, int choice) {
    StudioData* studio = StudioOfNode(model.pCurNode);
    if (studio == nullptr)
        return;
    StrobeData* first = nullptr;
    std::uint16_t ticked = 0;
    for (int i = 0; i < kChannelCount; ++i) {
        if (StrobeData* unit = studio->UnitOn(i)) {
            first = first != nullptr ? first : unit;
            ticked |= MaskFromChannel(i);
        }
    }
    CZbProtocol& protocol = link.protocol();
    static const std::vector<int> types = commandTypes();
    switch (choice % 5) {
    case 0:
    case 1:
        protocol.SendUnitCommand(choice % 5 == 0 ? 0 : ticked, first,
                                 types[std::size_t(choice / 5) % types.size()]);
        break;
    case 2:
        protocol.SendUnitSettings(0, first);
        break;
    default:
        protocol.SendStudioLevels(choice % 5 == 3 ? LEVELS_FLASH : LEVELS_MODEL, studio);
        break;
    }
}

bool isLevel(std::uint8_t byte) {
    return IsValidLevel(byte);
}

// What the builders promise: every byte inside its field.
void checkSent(const TrafficFrame& frame) {
    const std::uint8_t* b = frame.bytes.data();
    for (int i = 1; i < frame.length; ++i)
        expect(b[i] != kStartByte, "a start byte inside a sent frame");
    if (frame.length == kUnitCommandLength) {
        const int type = b[2] & 0x0F;
        if (type == CMD_FLASH_LEVEL || type == CMD_MODEL_LEVEL)
            expect(isLevel(b[5]) && isLevel(b[6]), "a level command outside 1.1-8.1");
        else
            expect(b[5] == 0 && b[6] <= 0x10, "a switch command with a stray bit");
    } else if (frame.length == kUnitSettingsLength) {
        for (int i = 5; i <= 12; ++i)
            expect(i == 6 || i == 7 ? isLevel(b[i]) : b[i] <= 1, "a settings value off range");
    } else if (frame.length == kStudioLevelsLength) {
        for (int i = 3; i < frame.length; i += 2)
            expect((b[i] == 0 && b[i + 1] == 0) || (isLevel(b[i]) && isLevel(b[i + 1])),
                   "a studio level outside 1.1-8.1");
    }
}

void checkReceived(const TrafficFrame& frame) {
    expect(frame.length >= 4 && frame.length <= TrafficFrame::kMaxBytes &&
               frame.bytes[0] == kStartByte && frame.bytes[1] == frame.length,
           "a received frame the assembler should not have passed");
    for (int i = 1; i < frame.length; ++i)
        expect(frame.bytes[std::size_t(i)] != kStartByte, "a start byte inside a received frame");
}

} // namespace
} // namespace lumadesk::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace lumadesk::fuzz;
    static int argc = 1;
    static char name[] = "fuzz_receivechain";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv); // posted messages and timers need one
    silenceMessageBoxes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumadesk::fuzz;
    using namespace std::chrono;
    constexpr std::size_t kSetUp = 8;
    if (size < kSetUp)
        return 0;
    StudioModel model;
    RelayStandIn owner(model);
    steady_clock::time_point now{};
    RadioLink link(&owner, model, [&now] { return now; });
    // One log for the run (its 10,000 slots are dear to make); frames are checked by number.
    static TrafficLog log;
    log.clear();
    link.setTrafficLog(&log);

    const int scanBefore = data[0] >> 4;
    const unsigned units = (data[1] | unsigned(data[2]) << 8) & 0x3FF;
    const std::size_t burst = std::size_t(data[3] & 63) + 1;
    const int drainEvery = (data[3] >> 6) + 1;
    const int commandBursts = data[5];
    const int commandSeed = data[6];
    const milliseconds step(50 * data[7]);
    placeStudio(model, data[0], units);

    // The reader has run for a while: the ring's indices start anywhere.
    ReceiveRing& ring = link.port().Ring();
    if (data[4] != 0) {
        const std::vector<std::uint8_t> filler(16 * std::size_t(data[4]));
        expect(ring.append(filler.data(), int(filler.size())), "the ring refused its start");
        ring.consume(int(filler.size()));
    }

    data += kSetUp;
    size -= kSetUp;
    int index = 0;
    for (std::size_t at = 0; at < size; at += burst, ++index) {
        if (index + 1 == scanBefore)
            link.startScan(nullptr);
        const std::size_t count = std::min(burst, size - at);
        expect(ring.append(data + at, int(count)), "the ring refused a burst it has room for");
        if ((index + 1) % drainEvery == 0 || at + count >= size) {
            link.drain();
            QCoreApplication::sendPostedEvents();
        }
        if (index < 8 && (commandBursts >> index & 1) != 0)
            send(link, model, commandSeed + index);
        now += step;
        link.pending().expire();
    }
    expect(ring.held() == 0, "bytes left in the ring after the last drain");
    QCoreApplication::sendPostedEvents();

    for (const auto& each : model.studios)
        checkStudio(*each);
    checkStudio(*model.pMemoryStudio);

    // The book: the words of its line agree with its counts, and nothing stays pending once
    // every deadline has passed.
    PendingValues& book = link.pending();
    expect(book.unconfirmedText().isEmpty() == (book.unconfirmedCount() == 0),
           "the book's line disagrees with its count");
    now += book.timeout();
    book.expire();
    expect(book.pendingCount() == 0, "a value still pending after its time ran out");

    FrameWords words;
    for (quint64 n = log.first(); n < log.end(); ++n) {
        const TrafficFrame& frame = log.at(n);
        if (frame.direction == TrafficDirection::Received)
            checkReceived(frame);
        else
            checkSent(frame);
        expect(!words.describe(frame.direction, frame.bytes.data(), frame.length).isEmpty(),
               "a frame without words");
    }
    return 0;
}
