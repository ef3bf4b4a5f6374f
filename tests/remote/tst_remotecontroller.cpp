#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "platform/ChangeCode.h"
#include "platform/PseudoTerminal.h"
#include "remote/RemoteController.h"
#include "support/WorkingDirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using namespace lumadesk;

namespace {

// Studio A scanned with CH-01 50/50, CH-02 60/40 with a proportional modelling lamp and CH-03
// 81/50, the last two ticked; the set-up "evening" holds CH-01 at 7.0. The dongle is a bare
// pseudo-terminal that takes every frame and answers none.
struct Console {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QObject owner; // the link's messages go nowhere: nothing is read back
    StudioModel model;
    RadioLink link{&owner, model};
    OperatorActions actions{model, link.protocol(), {}};
    OperatorHistory history{model, actions};
    RemoteController controller{model, link, actions};
    StudioData* studio = model.studios[0].get();

    bool start() {
        actions.setHistory(&history);
        if (!dongle.open() || !link.open(ComSettings{115200, 8, 0, 0, dongle.devicePath()}))
            return false;
        SelectStudio(&model, studio);
        const int levels[3][2] = {{50, 50}, {60, 40}, {81, 50}};
        for (int channel = 0; channel < 3; ++channel) {
            StrobeData* unit = PlaceStrobe(&model, 0, channel, std::make_unique<StrobeData>());
            unit->nFlashValue = levels[channel][0];
            unit->nModelValue = levels[channel][1];
            unit->bChSelect = channel > 0 ? 1 : 0;
        }
        studio->UnitOn(1)->nModelMode1 = 1;
        model.pScanStudio = studio;
        studio->UnitOn(0)->nFlashValue = 70;
        XmlFileContext files{&model};
        const bool saved = QDir().mkpath(QLatin1String(kMemoryFolder)) &&
                           SaveMemoryFile(&files, QStringLiteral("evening")) == 1;
        studio->UnitOn(0)->nFlashValue = 50;
        return saved;
    }

    // "CH-01 50/50 on/on, ...": each head's flash and model level and power.
    QString heads() const {
        QStringList out;
        for (const StrobeData* unit : UnitsOf(studio))
            out << QStringLiteral("%1 %2/%3 %4/%5")
                       .arg(unit->sChName)
                       .arg(unit->nFlashValue)
                       .arg(unit->nModelValue)
                       .arg(unit->bFlashPow != 0 ? "on" : "off",
                            unit->bModelPow != 0 ? "on" : "off");
        return out.join(QStringLiteral(", "));
    }
};

const QString kStart = QStringLiteral("CH-01 50/50 on/on, CH-02 60/40 on/on, CH-03 81/50 on/on");

QJsonObject object(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class RemoteControllerTest : public QObject {
    Q_OBJECT
private slots:
    void aRequestActsOnTheScannedStudioAndIsAnswered_data();
    void aRequestActsOnTheScannedStudioAndIsAnswered();
    void aPhoneStepOfALinkedLevelIsOneUndoStepForBothLevels_data();
    void aPhoneStepOfALinkedLevelIsOneUndoStepForBothLevels();
    void newsOfWhatThePhoneShowsMovesTheStateOnce_data();
    void newsOfWhatThePhoneShowsMovesTheStateOnce();
};

void RemoteControllerTest::aRequestActsOnTheScannedStudioAndIsAnswered_data() {
    QTest::addColumn<QString>("situation"); // "", "link down", "not scanned", "refused"
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("error"); // empty: ok
    QTest::addColumn<QString>("heads");

    const QString end = QStringLiteral("CH-03 81/50 on/on");
    QTest::newRow("step") << ""
                          << QByteArray(
                                 R"({"id":1,"op":"step","channel":0,"value":"flash","by":1})")
                          << ""
                          << "CH-01 51/50 on/on, CH-02 60/40 on/on, " + end;
    QTest::newRow("step a linked level")
        << "" << QByteArray(R"({"id":1,"op":"step","channel":1,"value":"flash","by":10})") << ""
        << "CH-01 50/50 on/on, CH-02 70/50 on/on, " + end;
    QTest::newRow("step past the end")
        << "" << QByteArray(R"({"id":1,"op":"step","channel":2,"value":"flash","by":1})")
        << "CH-03 flash is at its end" << kStart;
    QTest::newRow("step where no head is")
        << "" << QByteArray(R"({"id":1,"op":"step","channel":5,"value":"flash","by":1})")
        << "no head on CH-06" << kStart;
    QTest::newRow("switch off")
        << ""
        << QByteArray(R"({"id":1,"op":"switch","channel":0,"setting":"flashPower","on":false})")
        << ""
        << "CH-01 50/50 off/on, CH-02 60/40 on/on, " + end;
    QTest::newRow("switch on what is on")
        << ""
        << QByteArray(R"({"id":1,"op":"switch","channel":0,"setting":"modelPower","on":true})")
        << "CH-01 is on already" << kStart;
    QTest::newRow("test flash") << "" << QByteArray(R"({"id":1,"op":"test","channel":0})") << ""
                                << kStart;
    QTest::newRow("offset the ticked heads")
        << "" << QByteArray(R"({"id":1,"op":"offset","value":"flash","by":5})") << ""
        << "CH-01 50/50 on/on, CH-02 65/45 on/on, " + end;
    QTest::newRow("load") << "" << QByteArray(R"({"id":1,"op":"load","name":"evening"})") << ""
                          << "CH-01 70/50 on/on, CH-02 60/40 on/on, " + end;
    QTest::newRow("load what is not stored")
        << "" << QByteArray(R"({"id":1,"op":"load","name":"morning"})") << "Fail to open file"
        << kStart;
    QTest::newRow("send again with all sent")
        << "" << QByteArray(R"({"id":1,"op":"sendAgain"})") << "nothing to send again" << kStart;
    QTest::newRow("send again with the link down")
        << "link down" << QByteArray(R"({"id":1,"op":"sendAgain"})") << "the link is down"
        << kStart;
    QTest::newRow("nothing scanned")
        << "not scanned" << QByteArray(R"({"id":1,"op":"test","channel":0})") << "no studio scanned"
        << kStart;
    QTest::newRow("refused before it acts")
        << "refused" << QByteArray(R"({"id":1,"op":"step","channel":0,"value":"flash","by":1})")
        << "too many" << kStart;
    QTest::newRow("unreadable") << "" << QByteArray(R"({"id":1,"op":"scan"})")
                                << "op must be step, switch, test, offset, load or sendAgain"
                                << kStart;
}

void RemoteControllerTest::aRequestActsOnTheScannedStudioAndIsAnswered() {
    QFETCH(QString, situation);
    QFETCH(QByteArray, request);
    QFETCH(QString, error);
    QFETCH(QString, heads);
    Console console;
    QVERIFY(console.start());
    QCOMPARE(console.heads(), kStart);
    if (situation == "link down")
        console.link.close();
    if (situation == "not scanned")
        console.model.pScanStudio = nullptr;
    std::function<QString()> admit;
    if (situation == "refused")
        admit = [] { return QStringLiteral("too many"); };

    const QJsonObject answer = object(console.controller.answer(request, admit));
    if (error.isEmpty())
        QCOMPARE(answer, (QJsonObject{{"type", "ok"}, {"id", 1}}));
    else
        QCOMPARE(answer, (QJsonObject{{"type", "error"}, {"id", 1}, {"error", error}}));
    QCOMPARE(console.heads(), heads);
}

// A phone's step of a level the modelling lamp follows moves both, and one undo puts both back.
void RemoteControllerTest::aPhoneStepOfALinkedLevelIsOneUndoStepForBothLevels_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("stepped");
    QTest::newRow("flash") << QByteArray("flash") << "60/40 to 70/50";
    QTest::newRow("model") << QByteArray("model") << "60/40 to 70/50";
}

void RemoteControllerTest::aPhoneStepOfALinkedLevelIsOneUndoStepForBothLevels() {
    QFETCH(QByteArray, value);
    QFETCH(QString, stepped);
    Console console;
    QVERIFY(console.start());
    const StrobeData& unit = *console.studio->UnitOn(1);
    auto levels = [&unit] {
        return QStringLiteral("%1/%2").arg(unit.nFlashValue).arg(unit.nModelValue);
    };
    const QString before = levels();

    const QByteArray step =
        R"({"id":1,"op":"step","channel":1,"value":")" + value + R"(","by":10})";
    QCOMPARE(object(console.controller.answer(step)).value("type"), "ok");
    QCOMPARE(before + " to " + levels(), stepped);
    QCOMPARE(console.history.stack().count(), 1);

    console.history.undo();
    QCOMPARE(levels(), before);
    console.history.redo();
    QCOMPARE(before + " to " + levels(), stepped);
}

// While a phone watches, news of what it shows gives one state (however much news came), and
// news of what it does not show gives none; the set-up list rides along only when it changed.
void RemoteControllerTest::newsOfWhatThePhoneShowsMovesTheStateOnce_data() {
    QTest::addColumn<QString>("news");
    QTest::addColumn<int>("states");
    QTest::addColumn<bool>("withSetups");
    QTest::addColumn<QString>("ticked");
    const QString ticked = QStringLiteral("CH-02 CH-03");
    QTest::newRow("a shown level") << "level" << 1 << false << ticked;
    QTest::newRow("a burst of levels") << "burst" << 1 << false << ticked;
    QTest::newRow("heat only") << "heat" << 0 << false << ticked;
    QTest::newRow("a cue with nothing moved") << "cue" << 0 << false << ticked;
    QTest::newRow("a level of another studio") << "other studio" << 0 << false << ticked;
    QTest::newRow("a box ticked") << "tick" << 1 << false << "CH-01 CH-02 CH-03";
    QTest::newRow("the link lost") << "link" << 1 << false << ticked;
    QTest::newRow("a set-up saved") << "saved" << 1 << true << ticked;
    QTest::newRow("set-ups told but the same") << "setups" << 0 << false << ticked;
}

void RemoteControllerTest::newsOfWhatThePhoneShowsMovesTheStateOnce() {
    QFETCH(QString, news);
    QFETCH(int, states);
    QFETCH(bool, withSetups);
    QFETCH(QString, ticked);
    Console console;
    QVERIFY(console.start());
    RemoteController& controller = console.controller;
    const QJsonObject first = object(controller.welcome());
    QCOMPARE(first.value("setups").toArray(), QJsonArray{"evening"});
    QSignalSpy sent(&controller, &RemoteController::stateChanged);
    ModelNews& tell = console.model.news;
    StrobeData& unit = *console.studio->UnitOn(0);

    if (news == "level" || news == "burst") {
        for (int n = 0; n < (news == "burst" ? 10 : 1); ++n) {
            unit.nFlashValue = 60 + n;
            tell.tellHeadChanged(unit, MaskOf(CHANGE_FLASH_LEVEL));
        }
    } else if (news == "heat") {
        unit.nHeatLevel = 3;
        tell.tellHeadChanged(unit, kHeatMask);
    } else if (news == "cue") {
        tell.tellHeadChanged(unit, kCueMask);
    } else if (news == "other studio") {
        StrobeData* other = PlaceStrobe(&console.model, 1, 0, std::make_unique<StrobeData>());
        other->nFlashValue = 70;
        tell.tellHeadChanged(*other, MaskOf(CHANGE_FLASH_LEVEL));
    } else if (news == "tick") {
        unit.bChSelect = 2; // any mark in the box is a tick
        tell.tellTicksChanged(0);
    } else if (news == "link") {
        console.link.close();
        controller.linkChanged();
    } else if (news == "saved") {
        XmlFileContext files{&console.model};
        QCOMPARE(SaveMemoryFile(&files, QStringLiteral("after")), 1);
        tell.tellSetupsChanged();
    } else if (news == "setups") {
        tell.tellSetupsChanged();
    }
    if (states > 0)
        QTRY_COMPARE(sent.size(), states);
    controller.welcome(); // sends what is still due to those watching
    QCOMPARE(sent.size(), states);

    const QJsonObject last =
        states > 0 ? object(sent.constLast().constFirst().toByteArray()) : first;
    QCOMPARE(last.contains("setups"), states > 0 ? withSetups : true);
    if (withSetups)
        QCOMPARE(last.value("setups").toArray(), (QJsonArray{"after", "evening"}));
    QStringList shownTicked;
    for (const QJsonValue& head : object(controller.wholeState()).value("heads").toArray()) {
        if (head.toObject().value("ticked").toBool())
            shownTicked << head.toObject().value("label").toString();
    }
    QCOMPARE(shownTicked.join(' '), ticked);
}

QTEST_GUILESS_MAIN(RemoteControllerTest)
#include "tst_remotecontroller.moc"
