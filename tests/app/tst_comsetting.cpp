#include "ShellTestSupport.h"
#include "app/CComSettingDlg.h"
#include "app/CMainFrame.h"
#include "model/OptionFile.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"

#include <QComboBox>
#include <QtTest>

using namespace lumadesk;

namespace {

const QString kConnected = QStringLiteral("Zigbee connected");

void writeOptions(const QString& port, int baud) {
    ComSettings settings;
    settings.portName = port;
    settings.baudRate = baud;
    QVERIFY(WriteOptionFile(nullptr, settings) == 1);
}

} // namespace

class ComSettingTest : public QObject {
    Q_OBJECT
private slots:
    void onlyThePortIsChosenTheLineIsFixed();
    void currentPortIsPreselectedWhenListed_data();
    void currentPortIsPreselectedWhenListed();
    void okStoresTheListsAndSavesThemCancelTouchesNothing();
    void okReopensAtOnceAndTheOldReaderEndKeepsTheLinkUp();
    void linkThatCameBackDuringTheDialogFollowsTheChoice();
};

void ComSettingTest::onlyThePortIsChosenTheLineIsFixed() {
    ComSettings settings;
    settings.baudRate = 38400; // the fixed lists ignore the record
    settings.parity = 2;
    CComSettingDlg dialog(settings, {{"ttyUSB0", "FT232R USB UART"}, {"/dev/pts/7", {}}});
    QCOMPARE(dialog.windowTitle(), QString("Com Setting"));
    QComboBox* ports = dialog.portList();
    QCOMPARE(ports->count(), 12);
    QCOMPARE(ports->itemText(9), QString("COM10"));
    QCOMPARE(ports->itemText(10), QString("ttyUSB0 \u2014 FT232R USB UART"));
    QCOMPARE(ports->itemData(10).toString(), QString("ttyUSB0"));
    QCOMPARE(ports->itemText(11), QString("/dev/pts/7"));
    QVERIFY(ports->isEnabled());
    QCOMPARE(dialog.baudList()->currentText(), QString("9600"));
    QCOMPARE(dialog.parityList()->currentIndex(), 0);
    QCOMPARE(dialog.dataBitsList()->currentText(), QString("8"));
    QCOMPARE(dialog.stopBitsList()->currentIndex(), 0);
    for (QComboBox* fixed :
         {dialog.baudList(), dialog.parityList(), dialog.dataBitsList(), dialog.stopBitsList()})
        QVERIFY(!fixed->isEnabled());
}

void ComSettingTest::currentPortIsPreselectedWhenListed_data() {
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("selected");
    QTest::newRow("COM3") << "COM3" << 2;
    QTest::newRow("COM names ignore case") << "com10" << 9;
    QTest::newRow("COM12 is not listed") << "COM12" << -1;
    QTest::newRow("a reported device by its path") << "/dev/ttyUSB0" << 10;
}

void ComSettingTest::currentPortIsPreselectedWhenListed() {
    QFETCH(QString, current);
    QFETCH(int, selected);
    ComSettings settings;
    settings.portName = current;
    CComSettingDlg dialog(settings, {{"ttyUSB0", {}}});
    QCOMPARE(dialog.portList()->currentIndex(), selected);
    dialog.accept(); // nothing selected stores no port
    QCOMPARE(settings.portName, selected < 0 ? QString() : dialog.portList()->currentData());
}

void ComSettingTest::okStoresTheListsAndSavesThemCancelTouchesNothing() {
    WorkingDirectory cwd;
    writeOptions("COM3", 38400);
    const QByteArray before = readFile(kOptionFile);
    CMainFrame frame;
    ComSettings& settings = frame.comSettings();
    settings.parity = 2;
    settings.dataBits = 7;
    settings.stopBits = 2;
    {
        ModalAnswer cancel(ModalAnswer::reject);
        frame.OnCom();
    }
    QCOMPARE(settings.baudRate, 38400);
    QCOMPARE(settings.parity, 2);
    QCOMPARE(readFile(kOptionFile), before);
    QVERIFY(frame.link().isRetrying());

    ModalAnswer ok(ModalAnswer::accept);
    frame.OnCom();
    QCOMPARE(settings.portName, QString("COM3"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(settings.parity, 0);
    QCOMPARE(settings.dataBits, 8);
    QCOMPARE(settings.stopBits, 0);
    ComSettings stored{1, 8, 0, 0, ""};
    QCOMPARE(ReadOptionFile(nullptr, stored), 1);
    QCOMPARE(stored.portName, QString("COM3"));
    QCOMPARE(stored.baudRate, 9600);
    // COM3 does not open here: the retry timer takes over.
    QCOMPARE(frame.paneText(1), QString("Zigbee disconnected"));
    QVERIFY(frame.link().isRetrying());
}

void ComSettingTest::okReopensAtOnceAndTheOldReaderEndKeepsTheLinkUp() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    const QString link = cwd.filePath("dongle");
    QVERIFY(QFile::link(dongle.devicePath(), link));
    CMainFrame frame(ShellOptions{link, {{link, "test dongle"}}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);

    // Answered before the closed reader's end message is handled.
    ModalAnswer ok(ModalAnswer::accept);
    frame.OnCom();
    QCOMPARE(frame.paneText(1), kConnected);
    QCoreApplication::sendPostedEvents(&frame);
    QCOMPARE(frame.paneText(1), kConnected);
    QVERIFY(!frame.link().isRetrying());

    QVERIFY(addressStudio(frame, dongle, 1));
    MessageTap list(frame.studioListPane());
    QVERIFY(dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(list.only(Msg::ListNewUnit).size(), 1);
    ComSettings stored;
    ReadOptionFile(nullptr, stored);
    QCOMPARE(stored.portName, link);
}

void ComSettingTest::linkThatCameBackDuringTheDialogFollowsTheChoice() {
    WorkingDirectory cwd;
    PseudoTerminal first;
    PseudoTerminal second;
    QVERIFY(first.open() && second.open());
    CMainFrame frame(ShellOptions{first.devicePath(), {{second.devicePath(), {}}}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);
    const auto comeBack = [&frame] { return frame.link().isUp(); };

    // The retry timer brings the old port back while the operator picks the other one.
    {
        ModalAnswer pickSecond([&](QDialog& dialog) {
            if (!QTest::qWaitFor(comeBack, 5000))
                return ModalAnswer::reject(dialog);
            QComboBox* ports = static_cast<CComSettingDlg&>(dialog).portList();
            ports->setCurrentIndex(ports->findData(second.devicePath()));
            return ModalAnswer::accept(dialog);
        });
        frame.OnCom();
    }
    QCOMPARE(frame.port().PortPath(), second.devicePath());
    QCoreApplication::sendPostedEvents(&frame);
    QCOMPARE(frame.paneText(1), kConnected);

    // Cancelled after the link came back: it stays up and says so.
    {
        ModalAnswer cancel([&](QDialog& dialog) {
            return QTest::qWaitFor(comeBack, 5000) ? ModalAnswer::reject(dialog) : -1;
        });
        frame.OnCom();
    }
    QCOMPARE(frame.paneText(1), kConnected);
    QVERIFY(frame.link().isUp() && !frame.link().isRetrying());
}

QTEST_MAIN(ComSettingTest)
#include "tst_comsetting.moc"
