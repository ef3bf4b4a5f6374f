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
    void trafficSaveReplacesALinkAndLeavesWhereItPoints_data();
    void trafficSaveReplacesALinkAndLeavesWhereItPoints();
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

void TrafficSaveTest::trafficSaveReplacesALinkAndLeavesWhereItPoints_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("a file beside it") << "notes.txt";
    QTest::newRow("a file elsewhere") << "../elsewhere/notes.txt";
    QTest::newRow("nothing") << "gone.txt";
    QTest::newRow("a folder") << "../elsewhere";
}

// The operator chose the name of a link and answered the replace question: the text takes the
// link's place; whatever it pointed to is neither written nor removed.
void TrafficSaveTest::trafficSaveReplacesALinkAndLeavesWhereItPoints() {
    QFETCH(QString, target);
    WorkingDirectory cwd;
    MessageBoxRecorder boxes;
    QVERIFY(QDir().mkpath("elsewhere") && QDir().mkpath("saves"));
    QVERIFY(writeFile("saves/notes.txt", "the operator's notes\n"));
    QVERIFY(writeFile("elsewhere/notes.txt", "notes kept elsewhere\n"));
    const QStringList before = treeOf(".");
    QVERIFY(QFile::link(target, "saves/traffic.txt"));
    RadioTrafficDock dock;
    const QByteArray heat = hex("FF 07 3A 00 04 00 28");
    dock.log().record(TrafficDirection::Received,
                      reinterpret_cast<const std::uint8_t*>(heat.constData()), 7);
    const FileChooser previous = SetFileChooser(
        [](const FileChoice&) { return QDir::current().filePath("saves/traffic.txt"); });
    dock.saveChosen();
    SetFileChooser(previous);

    QCOMPARE(boxes.texts, QStringList());
    QVERIFY(!QFileInfo("saves/traffic.txt").isSymLink());
    QCOMPARE(readFile("saves/traffic.txt"), dock.tableModel()->lineOf(0).toUtf8() + '\n');
    QStringList after = treeOf(".");
    after.removeAll("saves/traffic.txt " + QString::number(QFileInfo("saves/traffic.txt").size()));
    QCOMPARE(after, before); // the targets as they were, and no temporary file left
}

QTEST_MAIN(TrafficSaveTest)
#include "tst_trafficsave.moc"
