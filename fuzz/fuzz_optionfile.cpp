// The options reader at start-up: the input is "Option.xml" of the working directory.

#include "fuzz/FuzzSupport.h"
#include "model/OptionFile.h"

#include <cstdint>

using namespace lumadesk;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace lumadesk::fuzz;
    silenceMessageBoxes();
    enterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumadesk::fuzz;
    writeWholeFile(kOptionFile, data, size);
    ComSettings settings;
    const int baudBefore = settings.baudRate;
    XmlFileContext context;
    const int taken = ReadOptionFile(size % 2 == 0 ? &context : nullptr, settings);
    expect(taken == 0 || taken == 1, "neither taken nor refused");
    // The port cannot open at 0 or below, so no such rate is ever taken.
    expect(settings.baudRate > 0 || settings.baudRate == baudBefore, "a baud rate of 0 or less");
    if (taken == 1)
        expect(settings.baudRate > 0, "taken with a baud rate of 0 or less");
    expect(context.pDoc == nullptr, "the document outlived its call");
    return 0;
}
