#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "model/BusinessMemory.h"
#include "platform/PseudoTerminal.h"
#include "views/CNavigationGrid.h"

#include <QLineEdit>
#include <QSlider>
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

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void everyPathWorksWithoutAMouse_data();
    void everyPathWorksWithoutAMouse();
};

void KeyboardTest::everyPathWorksWithoutAMouse_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sent");
    QTest::newRow("a head changed") << "change"
                                    << "ff 07 13 00 04 33 32";
    QTest::newRow("a head ticked") << "tick"
                                   << "";
    QTest::newRow("a scan started") << "scan"
                                    << "ff 05 00 00 41";
    QTest::newRow("a set-up saved") << "save"
                                    << "";
    QTest::newRow("a head named") << "name"
                                  << "";
}

void KeyboardTest::everyPathWorksWithoutAMouse() {
    QFETCH(QString, path);
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
    SelectStudio(&model, model.studios[0].get());
    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(2)));
    auto* grid = frame.findChild<CNavigationGrid*>();
    QTRY_COMPARE(grid->shownCount(), 2);
    StrobeData* second = model.studios[0]->UnitOn(2);
    MessageBoxRecorder boxes;
    ModalAnswer quickBox(ModalAnswer::accept);

    QVERIFY(tabTo(frame, "Channel grid"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(second)); // as a click on its block
    if (path == "change") {
        QVERIFY(tabTo(frame, "Flash level slider"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    } else if (path == "tick") {
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(second->bChSelect, 1);
        QCOMPARE(model.studios[0]->UnitOn(0)->bChSelect, 0);
        QTest::keyClick(grid, Qt::Key_Space, Qt::ShiftModifier); // the heading's box: all
        QCOMPARE(model.studios[0]->UnitOn(0)->bChSelect, 1);
    } else if (path == "scan") {
        QTest::keyClick(grid, Qt::Key_F5);
        QCOMPARE(model.studios[0]->nChItemCnt, 0);
    } else if (path == "name") {
        QVERIFY(tabTo(frame, "Name"));
        QTest::keyClicks(QApplication::focusWidget(), "Key");
        QVERIFY(tabTo(frame, "Studio List")); // F2 is not the tree's own
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QCOMPARE(second->sModelName, QString("Key"));
    } else {
        QVERIFY(tabTo(frame, "File name"));
        QTest::keyClicks(QApplication::focusWidget(), "day");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(boxes.texts, QStringList({"Do you want to save current setting?"}));
        QVERIFY(QFile::exists(QStringLiteral("%1/day.xml").arg(kMemoryFolder)));
    }
    const QByteArray bytes = dongle.readExactly(sent.isEmpty() ? 0 : (sent.size() + 1) / 3, 2000);
    QCOMPARE(QString::fromLatin1((bytes + dongle.readFor(50)).toHex(' ')), sent);
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
