#include "link/CCommThread.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"
#include "support/PortOnPty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>
#include <chrono>
#include <thread>

using namespace lumadesk;

class CommThreadTest : public QObject {
    Q_OBJECT
private slots:
    void bytesPassUnchangedInBothDirections();
    void tellsOnceUntilTheOwnerLooks();
    void dropsChunkThatDoesNotFitAndTellsTheGuiThread();
    void stalledDrainLosesNoByteOfAFlood();
    void ownerThatNeverDrainsGetsOneBoxWhileItIsOpen();
    void writesToALineThatTakesNothingQueueAtOnceUntilFull();
    void aNewerLevelTakesTheQueuedOnesPlace();
    void closeDropsWhatIsStillQueued();
    void closePortWhileReaderWaitsPostsExactlyOneEnd();
    void unpluggedDeviceEndsReaderAndPortReopensOnNewDevice();
    void writeOnClosedObjectReturnsZero();
    void refusesBaudRateZeroOrBelow();
    void failsToOpenMissingDevice();
    void writeMultiplierFollowsBaudRate_data();
    void writeMultiplierFollowsBaudRate();
    void thousandOpensLeakNoDescriptorOrThread();
};

namespace {

QByteArray allByteValues() {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes + QByteArray("\r\n\x11\x13\xFF", 5);
}

QByteArray drain(CCommThread& port) {
    QByteArray out;
    for (int n = port.HeldCount(); n > 0; --n)
        out.append(char(port.TakeByte()));
    return out;
}

int entriesIn(const char* dir) {
    return int(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

void CommThreadTest::bytesPassUnchangedInBothDirections() {
    PortOnPty link;
    QVERIFY(link.open());
    QVERIFY(link.port.IsConnected());

    const QByteArray bytes = allByteValues();
    QCOMPARE(
        link.port.WriteComm(int(bytes.size()), reinterpret_cast<const std::uint8_t*>(bytes.data())),
        int(bytes.size()));
    QCOMPARE(link.dongle.readExactly(int(bytes.size()), 2000), bytes);

    QVERIFY(link.dongle.writeAll(bytes));
    QTRY_COMPARE(link.port.HeldCount(), int(bytes.size()));
    QCOMPARE(drain(link.port), bytes);
}

void CommThreadTest::tellsOnceUntilTheOwnerLooks() {
    PortOnPty link;
    QVERIFY(link.open());

    QVERIFY(link.dongle.writeAll(QByteArray(10, 'a')));
    QTRY_COMPARE(link.owner.count(Msg::FrameBytesReceived), 1);
    QVERIFY(link.dongle.writeAll(QByteArray(1000, 'b')));
    QTRY_COMPARE(link.port.Ring().held(), 1010); // held() alone is not looking
    QTest::qWait(3 * CCommThread::kTellSpacingMs);
    QCOMPARE(link.owner.count(Msg::FrameBytesReceived), 1);
    QCOMPARE(drain(link.port).size(), 1010);
    QVERIFY(link.dongle.writeAll("c"));
    QTRY_COMPARE(link.owner.count(Msg::FrameBytesReceived), 2);
    link.port.ClosePort(); // joins the reader: everything it posted is queued now
    QTRY_COMPARE(link.owner.count(Msg::FrameReaderEnded), 1);
    QCOMPARE(link.owner.count(Msg::FrameBytesReceived), 2);
    QCOMPARE(link.owner.entries.last().number, Msg::FrameReaderEnded);
    for (const auto& e : link.owner.entries) {
        QVERIFY(e.posted);
        QCOMPARE(e.wParam, qintptr(0));
        QCOMPARE(e.lParam, qintptr(0));
    }
}

void CommThreadTest::dropsChunkThatDoesNotFitAndTellsTheGuiThread() {
    MessageBoxRecorder boxes;
    PortOnPty link;
    QVERIFY(link.open());

    QVERIFY(link.dongle.writeAll(QByteArray(4095, 'x')));
    QTRY_COMPARE(link.port.HeldCount(), 4095);
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(link.dongle.writeAll("y"));
    QTRY_COMPARE(boxes.texts, QStringList{"Buffer full"});
    QCOMPARE(boxes.titles, QStringList{"CCommThread"});
    QCOMPARE(link.port.HeldCount(), 4095);
    const QByteArray held = drain(link.port);
    QCOMPARE(held, QByteArray(4095, 'x')); // the bytes already held stay

    QVERIFY(link.dongle.writeAll("z"));
    QTRY_COMPARE(link.port.HeldCount(), 1);
    QCOMPARE(link.port.TakeByte(), std::uint8_t('z'));
}

void CommThreadTest::stalledDrainLosesNoByteOfAFlood() {
    MessageBoxRecorder boxes;
    PortOnPty link;
    QVERIFY(link.open(115200));
    QByteArray received;
    link.owner.onMessage = [&](const MessageRecorder::Entry& e) {
        if (e.number == Msg::FrameBytesReceived)
            received += drain(link.port);
        return qintptr(0);
    };
    QByteArray flood(5 * ReceiveRing::kSize, '\0');
    for (int i = 0; i < flood.size(); ++i)
        flood[i] = char(i * 7 + i / 251);
    // The line keeps sending; what the ring cannot take waits in the kernel and the line.
    std::atomic<bool> sent{false};
    std::thread line(
        [&] { sent.store(link.dongle.writeAll(flood, 10000), std::memory_order_release); });
    const std::unique_ptr<std::thread, void (*)(std::thread*)> joined(
        &line, [](std::thread* t) { t->join(); });
    // The window does not drain for a second: far longer than the ring lasts at this rate.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), flood.size(), 10000);
    QCOMPARE(received, flood);
    QTRY_VERIFY(sent.load(std::memory_order_acquire));
    QCOMPARE(link.port.DroppedChunks(), 0);
    QVERIFY(boxes.texts.isEmpty());
}

void CommThreadTest::ownerThatNeverDrainsGetsOneBoxWhileItIsOpen() {
    PortOnPty link;
    QVERIFY(link.open(115200));
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        while (flooding.load(std::memory_order_acquire))
            link.dongle.writeAll(QByteArray(512, 'f'), 50);
    });
    // A failed check returns early: the flood still stops and the box handler is put back.
    const auto stop = qScopeGuard([&] {
        flooding.store(false, std::memory_order_release);
        if (flood.joinable())
            flood.join();
    });
    QElapsedTimer clock;
    clock.start();
    QStringList texts;
    qint64 openedAt = -1;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest& box) {
        texts << box.text;
        if (openedAt < 0) {
            openedAt = clock.elapsed();
            // Stays open, as a modal box does in its own event loop, until another chunk fell.
            (void)QTest::qWaitFor([&] { return link.port.DroppedChunks() >= 2; }, 10000);
        }
        return IDOK;
    });
    const auto restore = qScopeGuard([&] { SetMessageBoxHandler(previous); });
    QTRY_VERIFY_WITH_TIMEOUT(!texts.isEmpty(), 20000); // a loaded machine is slow to stall
    QVERIFY2(openedAt >= 1500, "a chunk fell before the owner stalled for two seconds");
    QVERIFY(link.port.DroppedChunks() >= 2);
    QCOMPARE(texts, QStringList{"Buffer full"});

    clock.restart();
    link.port.ClosePort(); // wakes the reader from its wait for room
    QVERIFY(clock.elapsed() < 1000);
}

void CommThreadTest::writesToALineThatTakesNothingQueueAtOnceUntilFull() {
    PortOnPty link;
    QVERIFY(link.open(115200, true));
    QVERIFY(link.dongle.holdOutput(true));
    const QByteArray cell = QByteArray::fromHex("ff071700010002");
    QElapsedTimer clock;
    clock.start();
    qint64 slowest = 0;
    int accepted = 0;
    for (int written = 0; written != -1 && accepted <= WriteQueue::kMaxFrames + 1;) {
        clock.restart();
        written = link.write(cell);
        slowest = std::max(slowest, clock.elapsed());
        QVERIFY(written == cell.size() || written == -1);
        accepted += written > 0 ? 1 : 0;
    }
    QVERIFY2(slowest < 1000, "a write waited for the line");
    // The writer may hold the first frame already.
    QVERIFY(accepted == WriteQueue::kMaxFrames || accepted == WriteQueue::kMaxFrames + 1);
    QVERIFY(!link.port.TakesCommands());
    QCOMPARE(link.write(QByteArray(WriteQueue::kMaxBytes + 1, 'x')), -1);

    QVERIFY(link.dongle.holdOutput(false)); // nothing accepted was lost
    QCOMPARE(link.dongle.readExactly(int(cell.size()) * accepted, 10000), cell.repeated(accepted));
    QTRY_VERIFY(link.port.TakesCommands());
}

void CommThreadTest::aNewerLevelTakesTheQueuedOnesPlace() {
    PortOnPty link;
    QVERIFY(link.open(115200, true));
    QVERIFY(link.dongle.holdOutput(true));
    const QByteArray levels = "ff171e" + QByteArray("2832").repeated(10);
    const QByteArray newerLevels = "ff171e" + QByteArray("3232").repeated(10);
    const QByteArray select = QByteArray::fromHex("ff05000041");
    QCOMPARE(link.write(select), int(select.size())); // the writer waits with it
    QTRY_VERIFY(link.port.LineIsBacklogged());
    // What is written, and what goes out in its place ("" for nothing of its own).
    const QList<std::pair<QByteArray, QByteArray>> frames = {
        {"ff071300012832", "ff071300012d32"}, // CH-01 flash 4.0, its place taken by 4.5
        {"ff071700020002", "ff071700020002"}, // CH-02 cell: another head is passed over
        {"ff071300012d32", ""},               // CH-01 flash 4.5
        {"ff071400012d3c", "ff071400012d3c"}, // CH-01 model: it carries the flash level too
        {"ff07130001323c", "ff07130001323c"}, // so CH-01 flash 5.0 stays behind it
        {levels, newerLevels},                // the studio's flash levels
        {newerLevels, ""},
        {"ff05000042", "ff05000042"},         // studio B: channel 1 is another head there
        {"ff071300013c3c", "ff071300013c3c"}, // CH-01 of B, flash 6.0
    };
    QByteArray expected = select;
    for (const auto& [hex, sent] : frames) {
        const QByteArray frame = QByteArray::fromHex(hex);
        QCOMPARE(link.write(frame), int(frame.size()));
        expected += QByteArray::fromHex(sent);
    }
    QVERIFY(link.dongle.holdOutput(false));
    QCOMPARE(link.dongle.readExactly(int(expected.size()), 5000).toHex(' '), expected.toHex(' '));
}

void CommThreadTest::closeDropsWhatIsStillQueued() {
    PortOnPty link;
    QVERIFY(link.open(115200, true));
    QVERIFY(link.dongle.holdOutput(true));
    const QByteArray cell = QByteArray::fromHex("ff071700010002");
    for (int n = 0; n < 10; ++n)
        QCOMPARE(link.write(cell), int(cell.size()));
    link.port.ClosePort(); // wakes the writer from its wait for the line
    QVERIFY(link.dongle.holdOutput(false));
    QCOMPARE(link.port.OpenPort(link.dongle.devicePath(), 115200, 8, 0, 0), 1);
    const QByteArray select = QByteArray::fromHex("ff05000041");
    QCOMPARE(link.write(select), int(select.size()));
    QCOMPARE(link.dongle.readExactly(int(select.size()), 5000), select);
}

void CommThreadTest::closePortWhileReaderWaitsPostsExactlyOneEnd() {
    PortOnPty link;
    QVERIFY(link.open());
    link.port.ClosePort();
    QVERIFY(!link.port.IsConnected());
    QCoreApplication::sendPostedEvents(&link.owner);
    QCOMPARE(link.owner.count(Msg::FrameReaderEnded), 1);
    link.port.ClosePort(); // a second close posts nothing more
    QCoreApplication::sendPostedEvents(&link.owner);
    QCOMPARE(link.owner.count(Msg::FrameReaderEnded), 1);
    QCOMPARE(link.owner.entries.size(), 1);
}

void CommThreadTest::unpluggedDeviceEndsReaderAndPortReopensOnNewDevice() {
    PortOnPty link;
    QVERIFY(link.open());
    link.dongle.close(); // unplug
    QTRY_COMPARE(link.owner.count(Msg::FrameReaderEnded), 1);

    PseudoTerminal second;
    QVERIFY(second.open());
    QCOMPARE(link.port.OpenPort(second.devicePath(), 9600, 8, 0, 0), 1);
    QCOMPARE(link.port.PortPath(), second.devicePath());
    const std::uint8_t frame[] = {0xFF, 0x05, 0x00, 0x00, 0x43};
    QCOMPARE(link.port.WriteComm(5, frame), 5);
    QCOMPARE(second.readExactly(5, 2000), QByteArray("\xFF\x05\x00\x00\x43", 5));
    QCoreApplication::sendPostedEvents(&link.owner);
    QCOMPARE(link.owner.count(Msg::FrameReaderEnded), 1); // the reopen did not end anything else
}

void CommThreadTest::writeOnClosedObjectReturnsZero() {
    MessageRecorder owner;
    CCommThread port(&owner);
    const std::uint8_t byte = 0xFF;
    QCOMPARE(port.WriteComm(1, &byte), 0);

    PseudoTerminal pty;
    QVERIFY(pty.open());
    QCOMPARE(port.OpenPort(pty.devicePath(), 9600, 8, 0, 0), 1);
    port.ClosePort();
    QCOMPARE(port.WriteComm(1, &byte), 0);
    QCOMPARE(pty.readFor(50), QByteArray());
}

void CommThreadTest::refusesBaudRateZeroOrBelow() {
    PseudoTerminal pty;
    QVERIFY(pty.open());
    MessageRecorder owner;
    CCommThread port(&owner);
    QCOMPARE(port.OpenPort(pty.devicePath(), 0, 8, 0, 0), 0);
    QCOMPARE(port.OpenPort(pty.devicePath(), -9600, 8, 0, 0), 0);
    QVERIFY(!port.IsConnected());
    QCOMPARE(port.OpenPort(pty.devicePath(), 9600, 4, 0, 0), 0); // unsupported framing
    QCOMPARE(port.OpenPort(pty.devicePath(), 9600, 8, 0, 0), 1);
}

void CommThreadTest::failsToOpenMissingDevice() {
    MessageRecorder owner;
    CCommThread port(&owner);
    QCOMPARE(port.OpenPort("/nonexistent/ttyLUMA", 9600, 8, 0, 0), 0);
    QCOMPARE(port.PortPath(), QString("/nonexistent/ttyLUMA"));
    QCOMPARE(port.OpenPort("ttyLUMA-none", 9600, 8, 0, 0), 0);
    QCOMPARE(port.PortPath(), QString("/dev/ttyLUMA-none"));
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.entries.size(), 0);
}

void CommThreadTest::writeMultiplierFollowsBaudRate_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("multiplier");
    QTest::newRow("110") << 110 << 174;
    QTest::newRow("9600") << 9600 << 2;
    QTest::newRow("19200") << 19200 << 1;
    QTest::newRow("38400") << 38400 << 0;
    QTest::newRow("115200") << 115200 << 0;
}

void CommThreadTest::writeMultiplierFollowsBaudRate() {
    QFETCH(int, baud);
    QFETCH(int, multiplier);
    QCOMPARE(CCommThread::WriteMultiplier(baud), multiplier);
}

void CommThreadTest::thousandOpensLeakNoDescriptorOrThread() {
    PseudoTerminal pty;
    QVERIFY(pty.open());
    MessageRecorder owner;
    CCommThread port(&owner);
    QCOMPARE(port.OpenPort(pty.devicePath(), 9600, 8, 0, 0), 1); // warm up lazily made resources
    port.ClosePort();
    QCoreApplication::sendPostedEvents(&owner);
    const int fds = entriesIn("/proc/self/fd");
    const int threads = entriesIn("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        QCOMPARE(port.OpenPort(pty.devicePath(), 9600, 8, 0, 0), 1);
        port.ClosePort();
    }
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.count(Msg::FrameReaderEnded), 1001);
    QCOMPARE(entriesIn("/proc/self/fd"), fds);
    QCOMPARE(entriesIn("/proc/self/task"), threads);
}

QTEST_GUILESS_MAIN(CommThreadTest)
#include "tst_commthread.moc"
