// The set-up file reader behind a click in the list: the input is the file
// "Business Memory/fuzz.xml", previewed into the memory studio.

#include "fuzz/FuzzSupport.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"

#include <QDir>
#include <cstdint>

using namespace lumadesk;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace lumadesk::fuzz;
    silenceMessageBoxes();
    enterScratchDirectory();
    expect(QDir().mkpath(QString::fromLatin1(kMemoryFolder)), "cannot make the set-up folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumadesk::fuzz;
    writeWholeFile("Business Memory/fuzz.xml", data, size);
    StudioModel model;
    XmlFileContext context;
    context.pModel = &model;
    const QString preview = PreviewMemoryFile(&context, QStringLiteral("fuzz"));
    expect(context.pDoc == nullptr, "the document outlived its call");

    const StudioData& studio = *model.pMemoryStudio;
    checkStudio(studio);
    // One line per unit after the heading.
    if (!preview.isEmpty())
        expect(preview.startsWith(QStringLiteral("File info :\r\n")), "a preview without heading");
    return 0;
}
