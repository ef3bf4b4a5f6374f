#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/RadioWatch.h"
#include "link/PendingValues.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserStatic.h"
#include "platform/PseudoTerminal.h"
#include "support/Hex.h"
#include "support/PrivateSettings.h"
#include "ui/ConfirmationLook.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/HeardMarks.h"

#include <QStandardPaths>
#include <QtTest>

using namespace lumadesk;
using namespace std::chrono_literals;

namespace {

template <typename T> T* named(QWidget* pane, const QString& name) {
    for (T* child : pane->findChildren<T*>()) {
        if (child->accessibleName() == name)
            return child;
    }
    return nullptr;
}

} // namespace

class ConfirmationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void panelAndGridMarkTheValueUntilTheHeadConfirms_data();
    void panelAndGridMarkTheValueUntilTheHeadConfirms();
};

void ConfirmationTest::panelAndGridMarkTheValueUntilTheHeadConfirms_data() {
    QTest::addColumn<bool>("late");
    QTest::addRow("head answers") << false;
    QTest::addRow("head answers after the time-out") << true;
}

void ConfirmationTest::panelAndGridMarkTheValueUntilTheHeadConfirms() {
    QFETCH(bool, late);
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), QStringLiteral("Zigbee connected"));
    // Long enough that the answer beats it, unless the head is told to be late.
    frame.radio().pending().setTimeout(late ? 50ms : 60s);
    StudioModel& model = frame.model();
    SelectStudio(&model, model.studios[0].get());
    frame.protocol().SendStudioSelect(0);
    QCOMPARE(dongle.readExactly(5, 2000), hex("FF 05 00 00 41"));
    CNavigationGrid* grid = qobject_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    QVERIFY(dongle.writeAll(statusReport(0)));
    QTRY_COMPARE(grid->shownCount(), 1);
    StrobeData* unit = model.studios[0]->UnitOn(0);
    unit->nNodeKind = NODE_STROBE; // as the studio tree makes a chosen unit
    SetCurrentNode(&model, unit);

    auto* field = named<CUserStatic>(frame.controlPane(), QStringLiteral("Flash level"));
    QVERIFY(field != nullptr);
    auto* mark = named<ConfirmationMark>(frame.controlPane(), "Flash level confirmation");
    QVERIFY(mark != nullptr);
    HeardMarks* marks = frame.radioWatch()->marks();
    const CUGCell* block = grid->cellModel()->cell(0, 2);
    const QColor fieldPlain = field->textColor;
    const QColor blockPlain = block->textColor;
    const QString note = frame.paneText(0);

    // The operator steps the flash level up: 5.0 -> 5.1.
    emit named<COXCoolSpinButtonCtrl>(frame.controlPane(), QStringLiteral("Flash level steps"))
        ->deltaPos(-1);
    QCOMPARE(dongle.readExactly(7, 2000), hex("FF 07 13 00 01 33 32"));
    const Confirmation state = late ? Confirmation::Unconfirmed : Confirmation::Pending;
    const QString words = late ? "flash 5.1 sent, CH-01 has not confirmed it"
                               : "flash 5.1 sent, waiting for CH-01 to confirm it";
    if (late)
        QTRY_COMPARE(frame.paneText(0),
                     QStringLiteral("CH-01 of Studio A did not confirm flash 5.1, model 5.0"));
    QTRY_COMPARE(mark->state(), state);
    QVERIFY(mark->isVisibleTo(frame.controlPane()));
    QCOMPARE(mark->accessibleDescription(), words);
    QCOMPARE(marks->blockMarks(), std::vector<Confirmation>{state});
    QVERIFY(block->description.contains(words));
    // The values keep their own colours: the mark says it, not a colour.
    QCOMPARE(field->textColor, fieldPlain);
    QCOMPARE(block->textColor, blockPlain);
    QCOMPARE(frame.paneText(2), late ? QStringLiteral("Studio A: 1 head, 1 not answering")
                                     : QStringLiteral("Studio A: 1 head, all answering"));

    QVERIFY(dongle.writeAll(hex("FF 07 13 00 01 33 32")));
    QTRY_COMPARE(mark->state(), Confirmation::Confirmed);
    QVERIFY(!mark->isVisibleTo(frame.controlPane()));
    QCOMPARE(marks->blockMarks(), std::vector<Confirmation>{Confirmation::Confirmed});
    QCOMPARE(block->description, QString());
    QCOMPARE(frame.paneText(0), note);
    QCOMPARE(frame.paneText(2), QStringLiteral("Studio A: 1 head, all answering"));
}

QTEST_MAIN(ConfirmationTest)
#include "tst_confirmation.moc"
