#include "fuzz/FuzzSupport.h"

#include "model/StudioModel.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace lumadesk::fuzz {

void checkStudio(const StudioData& studio) {
    int used = 0;
    for (int i = 0; i < kChannelCount; ++i) {
        const StrobeData* unit = studio.pStrobe[std::size_t(i)].get();
        expect((studio.bChUsed[std::size_t(i)] != 0) == (unit != nullptr),
               "a slot's used flag and its record disagree");
        if (unit == nullptr)
            continue;
        ++used;
        expect(unit->nChNum == i, "a record in the wrong slot");
        expect(unit->pParent == &studio, "a record with the wrong parent");
    }
    expect(used == studio.nChItemCnt, "nChItemCnt is not the number of used slots");
}

StudioData* placeStudio(StudioModel& model, std::uint8_t setup, unsigned units) {
    const int node = setup & 7;
    StudioData* studio = node < kStudioCount ? model.studios[std::size_t(node)].get()
                         : node == 5         ? model.pMemoryStudio.get()
                         : node == 7         ? model.studios[1].get()
                                             : nullptr;
    if (studio == nullptr)
        return nullptr;
    for (int i = 0; i < kChannelCount; ++i) {
        if ((units >> i & 1U) != 0)
            PutStrobe(studio, i, std::make_unique<StrobeData>());
    }
    SelectStudio(&model, studio);
    model.pAddressedStudio = model.StudioByNumber(studio->nStudioNum);
    for (int i = 0; node == 7 && i < kChannelCount; ++i) {
        if (StrobeData* unit = studio->UnitOn(i)) {
            // Marked as the studio tree marks what it shows.
            unit->nNodeKind = NODE_STROBE;
            unit->lightNode.nNodeKind = NODE_LIGHT;
            SetCurrentNode(&model,
                           (setup & 8) != 0 ? &unit->lightNode : static_cast<NodeHeader*>(unit));
            break;
        }
    }
    return studio;
}

void silenceMessageBoxes() {
    SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
}

void enterScratchDirectory() {
    static std::unique_ptr<QTemporaryDir> directory;
    if (directory)
        return;
    // In memory where there is such a place: each input is written as a file, and a disk that
    // others share would set the pace.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    directory =
        shm.isDir() && shm.isWritable()
            ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/lumadesk-fuzz-XXXXXX"))
            : std::make_unique<QTemporaryDir>();
    expect(directory->isValid() && QDir::setCurrent(directory->path()),
           "cannot make a scratch directory");
}

void writeWholeFile(const char* path, const unsigned char* data, std::size_t size) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    expect(fd >= 0, "cannot write the input file");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        expect(n > 0, "cannot write the input file");
        done += std::size_t(n);
    }
    ::close(fd);
}

} // namespace lumadesk::fuzz
