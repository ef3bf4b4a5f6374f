#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/Shortcuts.h"
#include "model/BusinessMemory.h"
#include "platform/PseudoTerminal.h"
#include "views/CNavigationGrid.h"

#include <QtTest>

using namespace lumadesk;

namespace {

// Tab from wherever the focus is until the named control has it; false when it never comes.
bool tabTo(CMainFrame& frame, const QString& name) {
    for (int presses = 0; presses < 80; ++presses) {
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && focus->accessibleName() == name)
            return true;
        QTest::keyClick(focus != nullptr ? focus : &frame, Qt::Key_Tab);
    }
    return false;
}

// Studio A's heads as "channel, t when ticked, name", then whether the set-up "day" exists.
QString state(const StudioModel& model) {
    QStringList out;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (const StrobeData* unit = model.studios[0]->UnitOn(ch))
            out << QString::number(ch) + (unit->bChSelect != 0 ? "t" : "") + unit->sModelName;
    }
    if (QFile::exists(QStringLiteral("%1/day.xml").arg(kMemoryFolder)))
        out << "saved";
    return out.join(' ');
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void everyPathWorksWithoutAMouse_data();
    void everyPathWorksWithoutAMouse();
    void toolTipsNameTheKeyThatWorks_data();
    void toolTipsNameTheKeyThatWorks();
};

void KeyboardTest::everyPathWorksWithoutAMouse_data() {
    QTest::addColumn<QString>("to"); // the control Tab reaches after the grid's Down
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("state");
    QTest::newRow("a head changed") << "Flash level slider"
                                    << "" << QKeySequence(Qt::Key_Right) << "ff 07 13 00 04 33 32"
                                    << "0 2";
    QTest::newRow("a head ticked") << ""
                                   << "" << QKeySequence(Qt::Key_Space) << ""
                                   << "0 2t";
    QTest::newRow("all ticked") << ""
                                << "" << QKeySequence(Qt::SHIFT | Qt::Key_Space) << ""
                                << "0t 2t";
    QTest::newRow("a scan started") << ""
                                    << "" << QKeySequence(Qt::Key_F5) << "ff 05 00 00 41"
                                    << "";
    QTest::newRow("a set-up saved") << "File name"
                                    << "day" << QKeySequence(Qt::CTRL | Qt::Key_S) << ""
                                    << "0 2 saved";
    QTest::newRow("a head named") << "Name"
                                  << "Key" << QKeySequence(Qt::Key_F2) << ""
                                  << "0 2Key";
}

void KeyboardTest::everyPathWorksWithoutAMouse() {
    QFETCH(QString, to);
    QFETCH(QString, typed);
    QFETCH(QKeySequence, key);
    QFETCH(QString, sent);
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    StudioModel& model = frame.model();
    QVERIFY(addressStudio(frame, dongle, 0));
    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(2)));
    auto* grid = frame.findChild<CNavigationGrid*>();
    QTRY_COMPARE(grid->shownCount(), 2);
    for (const int ch : {0, 2})
        model.studios[0]->UnitOn(ch)->sModelName.clear(); // so that state() shows only a rename
    MessageBoxRecorder boxes;
    ModalAnswer quickBox(ModalAnswer::accept);

    QVERIFY(tabTo(frame, "Channel grid"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(model.studios[0]->UnitOn(2))); // as a click
    QVERIFY(to.isEmpty() || tabTo(frame, to));
    QTest::keyClicks(QApplication::focusWidget(), typed);
    QTest::keySequence(QApplication::focusWidget(), key);

    const QByteArray bytes = dongle.readExactly(sent.isEmpty() ? 0 : (sent.size() + 1) / 3, 2000);
    QCOMPARE(QString::fromLatin1((bytes + dongle.readFor(50)).toHex(' ')), sent);
    QTEST(state(model), "state");
}

void KeyboardTest::toolTipsNameTheKeyThatWorks_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("command");
    QTest::newRow("Load") << "Load" << int(Command::Load);
    QTest::newRow("Save") << "Save" << int(Command::Save);
    QTest::newRow("Scan") << "Scan" << int(Command::Scan);
    QTest::newRow("Name") << "Name" << int(Command::Name);
    QTest::newRow("Com") << "Com" << int(Command::Com);
    QTest::newRow("Check heads") << "Check heads" << int(Command::CheckHeads);
    QTest::newRow("Undo") << "Undo" << int(Command::Undo);
    QTest::newRow("Redo") << "Redo" << int(Command::Redo);
}

// A tip names the key the shortcuts table binds to the same action, whatever that key is.
void KeyboardTest::toolTipsNameTheKeyThatWorks() {
    QFETCH(QString, action);
    QFETCH(int, command);
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    QAction* found = nullptr;
    for (QAction* candidate : frame.findChildren<QAction*>()) {
        if (candidate->text() == action && !candidate->toolTip().isEmpty())
            found = candidate;
    }
    QVERIFY2(found != nullptr, qPrintable(action));
    const QKeySequence key = KeyOf(Command(command));
    QVERIFY(!key.isEmpty());
    QCOMPARE(found->shortcut(), key);
    QCOMPARE(found->toolTip(),
             QStringLiteral("%1 (%2)").arg(action, key.toString(QKeySequence::NativeText)));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
