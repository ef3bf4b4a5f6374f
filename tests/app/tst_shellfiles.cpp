#include "ShellTestSupport.h"
#include "app/CLumaDeskDoc.h"
#include "app/RadioTrafficDock.h"
#include "app/RecentFileList.h"
#include "model/FileFixtures.h"
#include "support/Hex.h"
#include "support/PrivateSettings.h"

#include <QSettings>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace lumadesk;

// The files the shell itself opens and writes: the document's and the traffic dock's.
class ShellFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void trafficSaveKeepsTheOldFileWhenTheWriteFails_data();
    void trafficSaveKeepsTheOldFileWhenTheWriteFails();
    void documentOpensOnlyRegularFiles_data();
    void documentOpensOnlyRegularFiles();
};

namespace {

// A file system of 64 KiB mounted at `path` while it lives; root only (CI runs as root).
class SmallDisk {
public:
    explicit SmallDisk(const QString& path) : m_path(QFile::encodeName(path)) {
        m_mounted = QDir().mkpath(path) &&
                    ::mount("lumadesk-test", m_path.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

// Writes until the disk is full.
void fillUp(const QString& path) {
    QFile filler(path);
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
}

} // namespace

void ShellFilesTest::trafficSaveKeepsTheOldFileWhenTheWriteFails_data() {
    QTest::addColumn<QString>("cause");
    QTest::newRow("disk full") << "disk";
    QTest::newRow("write fails part way") << "limit";
}

void ShellFilesTest::trafficSaveKeepsTheOldFileWhenTheWriteFails() {
    QFETCH(QString, cause);
    WorkingDirectory cwd;
    MessageBoxRecorder boxes;
    RadioTrafficDock dock;
    const QByteArray heat = hex("FF 07 3A 00 04 00 28");
    // About 5 KB of text: less than Qt's write buffer, so only a flush at the end meets the
    // full disk, and past the 4 KB the size-limit row allows.
    for (int n = 0; n < 100; ++n)
        dock.log().record(TrafficDirection::Received,
                          reinterpret_cast<const std::uint8_t*>(heat.constData()), 7);
    const QString folder = cwd.filePath("disk");
    std::optional<SmallDisk> disk;
    if (cause == "disk" && !disk.emplace(folder).mounted())
        QSKIP("mounting a tmpfs needs root; the size-limit row fails the write instead");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/traffic.txt";
    QVERIFY(writeFile(path, "the earlier save\n"));

    bool saved = true;
    if (cause == "disk") {
        fillUp(folder + "/filler");
        saved = dock.saveAsText(path);
    } else {
        FileSizeLimit limit(4096);
        saved = dock.saveAsText(path);
    }
    QCOMPARE(saved, false);
    QCOMPARE(boxes.texts, QStringList{"Fail to save file"});
    QCOMPARE(readFile(path), QByteArray("the earlier save\n"));
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    left.removeAll("filler");
    QCOMPARE(left, QStringList{"traffic.txt"}); // no temporary file left behind
}

void ShellFilesTest::documentOpensOnlyRegularFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("opened");
    QTest::newRow("regular file") << "file" << 1;
    QTest::newRow("FIFO nobody writes to") << "fifo" << 0;
    QTest::newRow("link to a FIFO") << "link" << 0;
    QTest::newRow("device") << "device" << 0;
    QTest::newRow("folder") << "folder" << 0;
}

void ShellFilesTest::documentOpensOnlyRegularFiles() {
    QFETCH(QString, kind);
    QFETCH(int, opened);
    WorkingDirectory cwd;
    MessageBoxRecorder boxes;
    const QString fifo = cwd.filePath("fifo");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString chosen = cwd.filePath(kind);
    if (kind == "file")
        QVERIFY(writeFile(chosen, "kept"));
    else if (kind == "link")
        QVERIFY(QFile::link(fifo, chosen));
    else if (kind == "device")
        chosen = "/dev/null";
    else if (kind == "folder")
        QVERIFY(QDir().mkdir(chosen));
    const FileChooser previous = SetFileChooser([&chosen](const FileChoice&) { return chosen; });

    // An open that waits for a writer is set free after two seconds, and the test fails.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::atomic<bool> freed = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (done.wait_for(lock, std::chrono::seconds(2), [&] { return finished; }))
            return;
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        freed = fd >= 0;
        if (fd >= 0)
            ::close(fd);
    });
    QSettings("lumadesk-test", "ShellFiles").clear();
    RecentFileList recent("lumadesk-test", "ShellFiles");
    CLumaDeskDoc document(recent);
    const int result = document.OnFileOpen(nullptr);
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    SetFileChooser(previous);
    QVERIFY2(!freed, "the open waited for a writer");
    QCOMPARE(result, opened);
    QCOMPARE(boxes.texts, opened ? QStringList() : QStringList{"Fail to open file"});
    QCOMPARE(recent.files(),
             opened ? QStringList{QFileInfo(chosen).absoluteFilePath()} : QStringList());
}

QTEST_MAIN(ShellFilesTest)
#include "tst_shellfiles.moc"
