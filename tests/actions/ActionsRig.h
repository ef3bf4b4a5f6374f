#pragma once

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "link/FrameTypes.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"
#include "support/WorkingDirectory.h"

#include <QtTest>

namespace lumadesk {

// The actions and the history on a real model and link, the link's port on a pseudo-terminal
// whose other end the test holds as the dongle, recorders in the frame's and the panes' places.
// A head on CH-03 of Studio A (flash 4.0, model 5.0) is current; Studio A is on the air.
struct ActionsRig {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    StudioModel model;
    MessageRecorder frame;
    MessageRecorder navigation;
    MessageRecorder control;
    MessageRecorder studioList;
    RadioLink link{&frame, model};
    OperatorActions actions{model,
                            link.protocol(),
                            {[this] { return &navigation; }, [this] { return &control; },
                             [this] { return &studioList; }}};
    OperatorHistory history{model, actions};
    StudioData* studio = model.studios[0].get();
    StrobeData* unit = nullptr;
    qint64 now = 0;

    ActionsRig() {
        QVERIFY(dongle.open());
        QVERIFY(link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
        actions.setHistory(&history);
        history.setClock([this] { return now; });
        model.pAddressedStudio = studio;
        unit = add(0, 2);
        unit->nFlashValue = 40;
        unit->nModelValue = 50;
        SetCurrentNode(&model, unit);
    }

    StrobeData* add(int studioNumber, int channel) {
        StrobeData* placed =
            PlaceStrobe(&model, studioNumber, channel, std::make_unique<StrobeData>());
        placed->nNodeKind = NODE_STROBE;
        placed->nFlashValue = 50;
        placed->nModelValue = 50;
        return placed;
    }

    // The frames the link wrote, as hex, once `expected` bytes arrived; then nothing more.
    QString frames(int expected) {
        QByteArray bytes = dongle.readExactly(expected, 2000);
        bytes += dongle.readFor(50);
        return QString::fromLatin1(bytes.toHex(' '));
    }
    // A report decoded as the link's drain decodes it.
    void report(const QByteArray& bytes) {
        link.assembler().Feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              int(bytes.size()));
    }
    // The current studio saved as the set-up of the name, in a set-up folder of its own.
    bool save(const QString& name) {
        QDir().mkdir(QFileInfo(MemoryFilePath(name)).path());
        XmlFileContext files{&model, nullptr, nullptr};
        return SaveMemoryFile(&files, name) == 1 && !MemoryFilePath(name).isEmpty();
    }
};

// The steps tst_undo and tst_lock take, in a namespace of their own: other tests have theirs.
namespace rigsteps {

enum Step { FlashLevel, Cell, Test, GroupOffset, GroupSound, Rename, Undo, Redo };

// Makes the step as its caller does: the panels write the records and hand over the snapshot
// (the "...Changed" half); the rest call the whole change. The frames stay on the wire.
inline void take(ActionsRig& rig, Step step) {
    StrobeData& unit = *rig.unit;
    const HeadSnapshot before = SnapshotOf(unit);
    switch (step) {
    case FlashLevel:
        unit.nFlashValue += 1;
        rig.actions.unitChanged(unit, CMD_FLASH_LEVEL, before);
        break;
    case Cell:
        unit.bFlashCell = 1;
        rig.actions.unitChanged(unit, CMD_FLASH_CELL, before);
        break;
    case Test:
        rig.actions.testFlash(unit);
        break;
    case GroupOffset:
        unit.bChSelect = 1;
        ApplyGroupOffset(unit, true, 1, 0);
        rig.actions.groupLevelsChanged(*rig.studio, {before}, LEVELS_FLASH, 1);
        break;
    case GroupSound:
        unit.bChSelect = 1;
        unit.bFlashSnd = 1;
        rig.actions.groupSwitched({&unit}, CMD_FLASH_SOUND, {before});
        break;
    case Rename:
        unit.sModelName = QStringLiteral("Key");
        rig.actions.renamed(before, false);
        break;
    case Undo:
        rig.history.undo();
        break;
    case Redo:
        rig.history.redo();
        break;
    }
}

} // namespace rigsteps

} // namespace lumadesk
