#include "platform/MessageBox.h"
#include "platform/PortFailure.h"
#include "platform/PortNames.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialBaud.h"
#include "platform/SerialDevice.h"
#include "platform/SignalWatch.h"
#include "platform/WindowMessage.h"
#include "support/MessageRecorder.h"
#include "support/Unprivileged.h"

#include <QtTest>
#include <csignal>
#include <optional>
#include <termios.h>
#include <thread>

using namespace lumadesk;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void sentMessageRunsBeforeSenderGoesOnAndReturnsResult();
    void postedMessagesFromAnotherThreadArriveInOrder();
    void messagesToNullTargetAreRefused();
    void messageBoxHookRecordsTextAndAnswers();
    void postedMessageBoxShowsOnTheContextThread();
    void mapsPortNamesToDevicePaths_data();
    void mapsPortNamesToDevicePaths();
    void opensPseudoTerminalWithSupportedFraming_data();
    void opensPseudoTerminalWithSupportedFraming();
    void terminalHoldsTheFramingAndSpeedChosen_data();
    void terminalHoldsTheFramingAndSpeedChosen();
    void secondOpenOfSameDeviceFails();
    void saysWhyADeviceWillNotOpen_data();
    void saysWhyADeviceWillNotOpen();
    void waitReturnsWokenWhenSignalled();
    void writeToAHungUpTerminalGivesUpAtOnce();
    void signalWatchCallsBackOnceActiveAndGivesTheSignalBack();
};

void PlatformTest::sentMessageRunsBeforeSenderGoesOnAndReturnsResult() {
    MessageRecorder recorder;
    recorder.onMessage = [](const MessageRecorder::Entry& e) { return e.wParam * 2; };
    const qintptr result = SendMessage(&recorder, 50, 21, 7);
    QCOMPARE(result, qintptr(42));
    QCOMPARE(recorder.entries.size(), 1);
    QCOMPARE(recorder.entries[0].number, 50);
    QCOMPARE(recorder.entries[0].lParam, qintptr(7));
    QCOMPARE(recorder.entries[0].posted, false);
}

void PlatformTest::postedMessagesFromAnotherThreadArriveInOrder() {
    MessageRecorder recorder;
    std::thread poster([&recorder] {
        for (int i = 0; i < 100; ++i)
            PostMessage(&recorder, 60, i, 0);
        PostMessage(&recorder, 61);
    });
    poster.join();
    QCOMPARE(recorder.entries.size(), 0); // queued, not delivered yet
    QTRY_COMPARE(recorder.count(61), 1);
    QCOMPARE(recorder.count(60), 100);
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(recorder.entries[i].wParam, qintptr(i));
        QVERIFY(recorder.entries[i].posted);
    }
}

void PlatformTest::messagesToNullTargetAreRefused() {
    QCOMPARE(SendMessage(nullptr, 10, 1, 1), qintptr(0));
    QCOMPARE(PostMessage(nullptr, 10, 1, 1), false);
    QEvent other(QEvent::Timer);
    QCOMPARE(AsWindowMessage(&other), nullptr);
}

void PlatformTest::messageBoxHookRecordsTextAndAnswers() {
    MessageBoxRecorder boxes(IDCANCEL);
    QCOMPARE(ShowMessageBox("Do you want to save current setting?", "Business Memory",
                            MessageButtons::OkCancel),
             IDCANCEL);
    QCOMPARE(boxes.texts, QStringList{"Do you want to save current setting?"});
    QCOMPARE(boxes.titles, QStringList{"Business Memory"});
}

void PlatformTest::postedMessageBoxShowsOnTheContextThread() {
    MessageBoxRecorder boxes;
    MessageBoxPoster poster;
    std::thread([&poster] {
        poster.post("Buffer full", "CCommThread");
        poster.post("Buffer full", "CCommThread"); // one box already waits
    }).join();
    QCOMPARE(boxes.texts.size(), 0);
    QTRY_COMPARE(boxes.texts, QStringList{"Buffer full"});
    std::thread([&poster] { poster.post("again"); }).join();
    QTRY_COMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.titles, (QStringList{"CCommThread", ""}));
}

void PlatformTest::mapsPortNamesToDevicePaths_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM1") << "COM1"
                          << "/dev/ttyS0";
    QTest::newRow("COM10") << "COM10"
                           << "/dev/ttyS9";
    QTest::newRow("lower case") << "com3"
                                << "/dev/ttyS2";
    QTest::newRow("COM11 is a /dev name") << "COM11"
                                          << "/dev/COM11";
    QTest::newRow("COM0 is a /dev name") << "COM0"
                                         << "/dev/COM0";
    QTest::newRow("path") << "/dev/pts/7"
                          << "/dev/pts/7";
    QTest::newRow("usb") << "ttyUSB0"
                         << "/dev/ttyUSB0";
    QTest::newRow("empty") << ""
                           << "";
}

void PlatformTest::mapsPortNamesToDevicePaths() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(DevicePathFromPortName(name), path);
}

void PlatformTest::opensPseudoTerminalWithSupportedFraming_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<bool>("opens");
    QTest::newRow("9600 8N1") << 9600 << 8 << 0 << 0 << true;
    QTest::newRow("230000, not a standard rate") << 230000 << 8 << 0 << 0 << true;
    QTest::newRow("7E2") << 38400 << 7 << 2 << 2 << true;
    QTest::newRow("mark parity") << 9600 << 8 << 0 << 3 << true;
    QTest::newRow("1.5 stop bits with 5 data bits") << 9600 << 5 << 1 << 0 << true;
    QTest::newRow("1.5 stop bits with 8 data bits") << 9600 << 8 << 1 << 0 << false;
    QTest::newRow("4 data bits") << 9600 << 4 << 0 << 0 << false;
    QTest::newRow("parity code 5") << 9600 << 8 << 0 << 5 << false;
    QTest::newRow("baud 0") << 0 << 8 << 0 << 0 << false;
    QTest::newRow("negative baud") << -9600 << 8 << 0 << 0 << false;
}

void PlatformTest::opensPseudoTerminalWithSupportedFraming() {
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(bool, opens);
    PseudoTerminal pty;
    QVERIFY(pty.open());
    SerialDevice device;
    QCOMPARE(device.open(pty.devicePath(), ComSettings{baud, dataBits, stopBits, parity}), opens);
    QCOMPARE(device.isOpen(), opens);
}

void PlatformTest::terminalHoldsTheFramingAndSpeedChosen_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("flags"); // CSTOPB, PARODD and CMSPAR as the terminal must hold them
    const int bauds[] = {110, 300, 1200, 9600, 14400, 19200, 38400, 57600, 115200, 230000};
    // Parity codes as the COM dialog lists them: none, odd, even, mark, space.
    const int parities[] = {0, PARODD, 0, PARODD | CMSPAR, CMSPAR};
    int row = 0;
    for (int parity = 0; parity < 5; ++parity) {
        for (int dataBits = 5; dataBits <= 8; ++dataBits) {
            // Stop bits 1, then 1.5 (five data bits) or 2 (six to eight); both set CSTOPB.
            for (int stopBits : {0, dataBits == 5 ? 1 : 2}) {
                const int baud = bauds[row++ % 10];
                QTest::addRow("%d %d%c%s", baud, dataBits, "NOEMS"[parity],
                              stopBits == 0 ? "1" : (stopBits == 1 ? "1.5" : "2"))
                    << baud << dataBits << stopBits << parity
                    << ((stopBits != 0 ? CSTOPB : 0) | parities[parity]);
            }
        }
    }
}

void PlatformTest::terminalHoldsTheFramingAndSpeedChosen() {
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(int, flags);
    PseudoTerminal pty;
    QVERIFY(pty.open());
    SerialDevice device;
    QVERIFY(device.open(pty.devicePath(), ComSettings{baud, dataBits, stopBits, parity}));
    termios tio{};
    QCOMPARE(::tcgetattr(device.fd(), &tio), 0);
    // A pseudo-terminal forces CS8 and clears PARENB whatever it is given, so the data bits
    // cannot be read back here; whether parity is on shows in the input check, INPCK.
    QCOMPARE(int(tio.c_cflag & (CSTOPB | PARODD | CMSPAR)), flags);
    QCOMPARE((tio.c_iflag & INPCK) != 0, parity != 0);
    QCOMPARE(int(tio.c_cflag & CRTSCTS), 0);
    QCOMPARE(lumadesk::SerialBaudRate(device.fd()), baud);
}

void PlatformTest::secondOpenOfSameDeviceFails() {
    PseudoTerminal pty;
    QVERIFY(pty.open());
    SerialDevice first;
    SerialDevice second;
    QVERIFY(first.open(pty.devicePath(), {}));
    QVERIFY(!second.open(pty.devicePath(), {}));
    first.close();
    QVERIFY(second.open(pty.devicePath(), {}));
    QVERIFY(!first.open("/dev/null", {})); // not a terminal
    QVERIFY(!first.open("/nonexistent/tty", {}));
}

void PlatformTest::saysWhyADeviceWillNotOpen_data() {
    QTest::addColumn<bool>("missing");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QByteArray>("group"); // the device is given to it, and opened as nobody
    QTest::addColumn<int>("mode");
    QTest::addColumn<PortFault>("fault");
    QTest::addColumn<QString>("reason");
    QTest::addRow("missing") << true << false << QByteArray() << 0 << PortFault::Missing
                             << "does not exist (is the dongle plugged in?)";
    QTest::addRow("held by another opener")
        << false << true << QByteArray() << 0 << PortFault::Busy << "is held by another program";
    QTest::addRow("group dialout may use it")
        << false << false << QByteArray("dialout") << 0660 << PortFault::Denied
        << "no permission; group \"dialout\" may use it: sudo usermod -aG dialout $USER, then "
           "log in again";
    QTest::addRow("group uucp may use it")
        << false << false << QByteArray("uucp") << 0660 << PortFault::Denied
        << "no permission; group \"uucp\" may use it: sudo usermod -aG uucp $USER, then log in "
           "again";
    QTest::addRow("its group may not use it")
        << false << false << QByteArray("dialout") << 0600 << PortFault::Denied
        << "no permission (root:dialout, mode 0600)";
}

void PlatformTest::saysWhyADeviceWillNotOpen() {
    QFETCH(bool, missing);
    QFETCH(bool, held);
    QFETCH(QByteArray, group);
    QFETCH(int, mode);
    QFETCH(PortFault, fault);
    QFETCH(QString, reason);
    PseudoTerminal pty;
    QVERIFY(pty.open());
    const QString path = missing ? QStringLiteral("/dev/lumadesk-no-such-port") : pty.devicePath();
    SerialDevice holder;
    if (held)
        QVERIFY(holder.open(path, {}));
    if (!group.isEmpty() &&
        (::geteuid() != 0 || !Unprivileged::giveTo(path, group.constData(), mode_t(mode))))
        QSKIP("giving a device to a group needs root");

    SerialDevice device;
    {
        std::optional<Unprivileged> nobody;
        if (!group.isEmpty())
            nobody.emplace();
        QVERIFY(!device.open(path, {}));
    }
    QCOMPARE(PortFaultOf(device.openError()), fault);
    QCOMPARE(PortFailureReason(device.openError(), path), reason);
    QCOMPARE(PortFailureText(device.openError(), path), path + ": " + reason);
}

void PlatformTest::waitReturnsWokenWhenSignalled() {
    PseudoTerminal pty;
    QVERIFY(pty.open());
    SerialDevice device;
    QVERIFY(device.open(pty.devicePath(), {}));
    WakeSignal wake;
    std::thread([&wake] { wake.raise(); }).join();
    QCOMPARE(device.wait(wake.fd()), int(SerialDevice::Woken));
    wake.clear();
    QVERIFY(pty.writeAll("x"));
    QCOMPARE(device.wait(wake.fd()), int(SerialDevice::Readable));
    char byte = 0;
    QCOMPARE(device.read(&byte, 1), qint64(1));
    QCOMPARE(device.read(&byte, 1), qint64(0)); // nothing queued is not the end
    pty.close();
    QVERIFY(device.wait(wake.fd()) & SerialDevice::HungUp);
    QCOMPARE(device.read(&byte, 1), qint64(-1));
}

void PlatformTest::writeToAHungUpTerminalGivesUpAtOnce() {
    PseudoTerminal pty;
    QVERIFY(pty.open());
    {
        SerialDevice device;
        QVERIFY(device.open(pty.devicePath(), {}));
    } // the device end is closed: the master hangs up
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!pty.writeAll(QByteArray(64 * 1024, 'x'), 60000));
    QVERIFY2(clock.elapsed() < 30000, "waited for the deadline instead of the hang-up");
}

namespace {
volatile sig_atomic_t g_earlierHandlerRan = 0;
void earlierHandler(int) {
    g_earlierHandlerRan = 1;
}
} // namespace

void PlatformTest::signalWatchCallsBackOnceActiveAndGivesTheSignalBack() {
    struct sigaction earlier {};
    earlier.sa_handler = earlierHandler;
    sigemptyset(&earlier.sa_mask);
    struct sigaction before {};
    QCOMPARE(::sigaction(SIGHUP, &earlier, &before), 0);
    {
        int calls = 0;
        lumadesk::SignalWatch watch([&calls] { ++calls; });
        QVERIFY(watch.isActive());
        lumadesk::SignalWatch second([] { QFAIL("the second watch was called"); });
        QVERIFY(!second.isActive()); // the first keeps the signals
        QCOMPARE(::raise(SIGHUP), 0);
        QTRY_COMPARE(calls, 1);
        QVERIFY(watch.signalled());
        QVERIFY(!second.signalled());
        QCOMPARE(g_earlierHandlerRan, sig_atomic_t(0));
    }
    QCOMPARE(::raise(SIGHUP), 0);
    QCOMPARE(g_earlierHandlerRan, sig_atomic_t(1));
    ::sigaction(SIGHUP, &before, nullptr);
}

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
