#include "ShellTestSupport.h"
#include "app/RadioTrafficDock.h"
#include "model/FileFixtures.h"
#include "support/Hex.h"

#include <QScopeGuard>
#include <QtTest>
#include <sys/mount.h>

using namespace lumadesk;

// The traffic dock's "Save as text...", whose file must survive a failed save.
class TrafficSaveTest : public QObject {
    Q_OBJECT
private slots:
    void trafficSaveKeepsTheOldFileWhenTheWriteFails_data();
    void trafficSaveKeepsTheOldFileWhenTheWriteFails();
};

void TrafficSaveTest::trafficSaveKeepsTheOldFileWhenTheWriteFails_data() {
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("disk full") << true;
    QTest::newRow("write fails part way") << false;
}

void TrafficSaveTest::trafficSaveKeepsTheOldFileWhenTheWriteFails() {
    QFETCH(bool, diskFull);
    WorkingDirectory cwd;
    MessageBoxRecorder boxes;
    RadioTrafficDock dock;
    // About 5 KB of text: less than Qt's write buffer, so only a flush at the end meets the
    // full disk, and more than the 4 KB the size limit allows.
    const QByteArray heat = hex("FF 07 3A 00 04 00 28");
    for (int n = 0; n < 100; ++n)
        dock.log().record(TrafficDirection::Received,
                          reinterpret_cast<const std::uint8_t*>(heat.constData()), 7);
    const QString folder = cwd.filePath("disk");
    QVERIFY(QDir().mkdir(folder));
    const QByteArray mountPoint = QFile::encodeName(folder);
    if (diskFull && ::mount("lumadesk-test", mountPoint, "tmpfs", 0, "size=64k") != 0)
        QSKIP("mounting a tmpfs needs root; the size-limit row fails the write instead");
    const auto unmount = qScopeGuard([&] {
        if (diskFull)
            ::umount2(mountPoint, MNT_DETACH);
    });
    const QString path = folder + "/traffic.txt";
    QVERIFY(writeFile(path, "the earlier save\n"));

    bool saved = true;
    if (diskFull) {
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'x')) == 4096) {
        }
        saved = dock.saveAsText(path);
    } else {
        FileSizeLimit limit(4096);
        saved = dock.saveAsText(path);
    }
    QCOMPARE(saved, false);
    QCOMPARE(boxes.texts, QStringList{"Fail to save file"});
    QCOMPARE(readFile(path), QByteArray("the earlier save\n"));
    QCOMPARE(QDir(folder).entryList({"traffic.txt*"}, QDir::Files | QDir::Hidden),
             QStringList{"traffic.txt"}); // no temporary file left behind
}

QTEST_MAIN(TrafficSaveTest)
#include "tst_trafficsave.moc"
