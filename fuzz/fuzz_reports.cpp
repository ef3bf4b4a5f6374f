// Report bytes from the radio, cut by the assembler, decoded by the protocol object and applied
// to a studio model by the event handler, whose messages a stand-in for the main frame takes as
// the real one does.
//
// Input: four bytes of set-up, then the wire.
//   [0] low 3 bits: the current node: studio 0..4, 5 the memory studio, 6 none, 7 the first unit
//       of studio 1 (its light node when bit 3 is set); its studio is also the addressed one
//       when it is one of the five (the memory studio is never addressed);
//       high 4 bits: k, a scan empties the current studio before burst k (0: no scan)
//   [1], [2]: the channels (bits 0..9) that hold a unit before the first byte
//   [3]: the burst size, 1..64
// Posted messages are taken after every burst but the one before the scan, so some wait while
// the scan destroys their records and new ones are made.

#include "fuzz/FuzzSupport.h"
#include "link/CStrobeEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/ReportAssembler.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <memory>

using namespace lumadesk;

namespace lumadesk::fuzz {
namespace {

// Takes the handler's messages as the main frame's relay does: a record is read only while the
// model still holds it.
class FrameStandIn : public QObject {
public:
    explicit FrameStandIn(const StudioModel& model) : m_model(model) {}

    static inline long long s_reusedAddresses = 0;

protected:
    void customEvent(QEvent* event) override {
        const WindowMessage* message = AsWindowMessage(event);
        if (message == nullptr)
            return;
        const int number = message->number();
        expect(number == Msg::FrameNewUnit || number == Msg::FrameUnitStatus ||
                   number == Msg::FrameUnitSetting,
               "a message the main frame does not expect");
        const auto* unit = message->lParamAs<const StrobeData>();
        if (!m_model.OwnsRecord(unit))
            return;
        // Every field, so that a record the model wrongly still holds is caught by the
        // address sanitizer.
        volatile long long sum = unit->nChNum + unit->nFlashValue + unit->nModelValue +
                                 unit->bFlashCell + unit->bFlashSnd + unit->bFlashCharge +
                                 unit->bFlashPow + unit->nModelMode1 + unit->nModelMode2 +
                                 unit->bModelPow + unit->nHeatLevel + unit->sLightName.size();
        (void)sum;
        // A new record at a freed address passes the ownership check; counted, not fatal, until
        // messages carry more than the address.
        if (number != Msg::FrameUnitSetting && message->wParam() != unit->nChNum &&
            s_reusedAddresses++ == 0)
            std::fprintf(stderr,
                         "fuzz: note: a message for channel %lld reached the record of "
                         "channel %d (a reused address)\n",
                         static_cast<long long>(message->wParam()), unit->nChNum);
    }

private:
    const StudioModel& m_model;
};

void drain() {
    QCoreApplication::sendPostedEvents();
}

} // namespace
} // namespace lumadesk::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace lumadesk::fuzz;
    static int argc = 1;
    static char name[] = "fuzz_reports";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv); // posted messages need one
    silenceMessageBoxes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumadesk::fuzz;
    if (size < 4)
        return 0;
    StudioModel model;
    FrameStandIn frame(model);
    CStrobeEventHandler handler(&frame, &model);
    CZbProtocol protocol(nullptr, &handler);
    ReportAssembler assembler(protocol);

    const int scanBefore = data[0] >> 4;
    const unsigned units = (data[1] | unsigned(data[2]) << 8) & 0x3FF;
    const std::size_t burst = std::size_t(data[3] % 64) + 1;
    StudioData* studio = placeStudio(model, data[0], units);

    data += 4;
    size -= 4;
    int index = 0;
    for (std::size_t at = 0; at < size; at += burst, ++index) {
        if (index == scanBefore && scanBefore != 0 && studio != nullptr)
            ClearStudio(&model, studio);
        const std::size_t count = std::min(burst, size - at);
        assembler.Feed(data + at, int(count));
        if (index + 1 != scanBefore)
            drain();
    }
    drain();
    for (const auto& each : model.studios)
        checkStudio(*each);
    checkStudio(*model.pMemoryStudio);
    return 0;
}
