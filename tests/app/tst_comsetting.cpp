#include "ShellTestSupport.h"
#include "app/CComSettingDlg.h"
#include "app/CMainFrame.h"
#include "model/OptionFile.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"

#include <QComboBox>
#include <QtTest>

namespace {

const QString kConnected = QStringLiteral("Zigbee connected");
const QString kDisconnected = QStringLiteral("Zigbee disconnected");

QStringList itemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

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
    void listsHoldFixedItemsWithOnlyThePortToChoose();
    void currentPortIsPreselectedWhenListed_data();
    void currentPortIsPreselectedWhenListed();
    void okStoresPortWithTheFixedLineAndSavesIt();
    void cancelLeavesRecordAndFileAlone();
    void okReopensAtOnceAndTheOldReaderEndKeepsTheLinkUp();
    void linkThatCameBackDuringTheDialogMovesToTheChosenPort();
};

void ComSettingTest::listsHoldFixedItemsWithOnlyThePortToChoose() {
    ComSettings settings;
    settings.baudRate = 38400; // the fixed lists ignore the record
    settings.parity = 2;
    CComSettingDlg dialog(settings, {{"ttyUSB0", "FT232R USB UART"}, {"/dev/pts/7", {}}});
    QCOMPARE(dialog.windowTitle(), QString("Com Setting"));

    const QStringList ports = itemsOf(dialog.portList());
    QCOMPARE(ports.mid(0, 10), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                            "COM8", "COM9", "COM10"}));
    QCOMPARE(ports.size(), 12);
    QVERIFY(ports[10].startsWith("ttyUSB0") && ports[10].contains("FT232R USB UART"));
    QCOMPARE(dialog.portList()->itemData(10).toString(), QString("ttyUSB0"));
    QCOMPARE(ports[11], QString("/dev/pts/7"));
    QVERIFY(dialog.portList()->isEnabled());

    QCOMPARE(itemsOf(dialog.baudList()),
             QStringList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                          "38400", "57600", "115200", "230000"}));
    QCOMPARE(itemsOf(dialog.parityList()), QStringList({"NONE", "ODD", "EVEN", "MASK", "SPACE"}));
    QCOMPARE(itemsOf(dialog.dataBitsList()), QStringList({"4", "5", "6", "7", "8"}));
    QCOMPARE(itemsOf(dialog.stopBitsList()), QStringList({"1", "1.5", "2"}));
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
    QTest::newRow("reported device") << "ttyUSB0" << 10;
    QTest::newRow("its path") << "/dev/ttyUSB0" << 10;
    QTest::newRow("other names keep their case") << "TTYUSB0" << -1;
}

void ComSettingTest::currentPortIsPreselectedWhenListed() {
    QFETCH(QString, current);
    QFETCH(int, selected);
    ComSettings settings;
    settings.portName = current;
    CComSettingDlg dialog(settings, {{"ttyUSB0", "FT232R USB UART"}});
    QCOMPARE(dialog.portList()->currentIndex(), selected);

    // OK stores what is selected: nothing selected stores no port.
    dialog.accept();
    QCOMPARE(settings.portName, selected < 0 ? QString() : dialog.portList()->currentData());
}

void ComSettingTest::okStoresPortWithTheFixedLineAndSavesIt() {
    WorkingDirectory cwd;
    writeOptions("COM3", 38400);
    CMainFrame frame;
    ComSettings& settings = frame.comSettings();
    QCOMPARE(settings.baudRate, 38400);
    settings.parity = 2;
    settings.dataBits = 7;
    settings.stopBits = 2;

    ModalAnswer ok(ModalAnswer::accept);
    frame.OnCom();
    QCOMPARE(settings.portName, QString("COM3"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(settings.parity, 0);
    QCOMPARE(settings.dataBits, 8);
    QCOMPARE(settings.stopBits, 0);
    ComSettings stored{"", 1, 8, 0, 0};
    QCOMPARE(ReadOptionFile(nullptr, stored), 1);
    QCOMPARE(stored.portName, QString("COM3"));
    QCOMPARE(stored.baudRate, 9600);
    // COM3 cannot be opened here: the retry timer takes over.
    QCOMPARE(frame.paneText(1), kDisconnected);
    QVERIFY(frame.link().isRetrying());
}

void ComSettingTest::cancelLeavesRecordAndFileAlone() {
    WorkingDirectory cwd;
    writeOptions("COM5", 19200);
    const QByteArray before = readFile(kOptionFile);
    CMainFrame frame;
    frame.comSettings().parity = 3;

    ModalAnswer cancel(ModalAnswer::reject);
    frame.OnCom();
    QCOMPARE(frame.comSettings().portName, QString("COM5"));
    QCOMPARE(frame.comSettings().baudRate, 19200);
    QCOMPARE(frame.comSettings().parity, 3);
    QCOMPARE(readFile(kOptionFile), before);
    QCOMPARE(frame.paneText(1), kDisconnected);
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

    SelectStudio(&frame.model(), frame.model().studios[1].get());
    MessageTap list(frame.studioListPane());
    QVERIFY(dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(list.only(Msg::ListNewUnit).size(), 1);
    ComSettings stored;
    ReadOptionFile(nullptr, stored);
    QCOMPARE(stored.portName, link);
}

void ComSettingTest::linkThatCameBackDuringTheDialogMovesToTheChosenPort() {
    WorkingDirectory cwd;
    PseudoTerminal first;
    PseudoTerminal second;
    QVERIFY(first.open() && second.open());
    CMainFrame frame(ShellOptions{first.devicePath(), {{second.devicePath(), {}}}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);

    // While the dialog is open the retry timer brings the old port back; then the operator
    // picks the other one.
    auto pickSecond = [&](QDialog& dialog) {
        if (!QTest::qWaitFor([&] { return frame.link().isUp(); }, 5000))
            return int(QDialog::Rejected);
        auto& com = static_cast<CComSettingDlg&>(dialog);
        com.portList()->setCurrentIndex(com.portList()->findData(second.devicePath()));
        return ModalAnswer::accept(dialog);
    };
    {
        ModalAnswer answer(pickSecond);
        frame.OnCom();
    }
    QCOMPARE(frame.port().PortPath(), second.devicePath());
    QCoreApplication::sendPostedEvents(&frame);
    QCOMPARE(frame.paneText(1), kConnected);

    // Cancel while the link came back: it stays up and says so.
    auto cancelOnceUp = [&](QDialog& dialog) {
        if (!QTest::qWaitFor([&] { return frame.link().isUp(); }, 5000))
            return int(QDialog::Accepted); // shows as a failure below
        return ModalAnswer::reject(dialog);
    };
    {
        ModalAnswer answer(cancelOnceUp);
        frame.OnCom();
    }
    QVERIFY(frame.link().isUp());
    QCOMPARE(frame.paneText(1), kConnected);
    QVERIFY(!frame.link().isRetrying());
}

QTEST_MAIN(ComSettingTest)
#include "tst_comsetting.moc"
