#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CLumaDeskDoc.h"
#include "app/CMainFrame.h"
#include "app/RecentFileList.h"
#include "model/BusinessMemory.h"
#include "model/OptionFile.h"
#include "platform/PseudoTerminal.h"
#include "support/BuildPath.h"
#include "support/PrivateSettings.h"

#include <QInputDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumadesk;

namespace {

// How many descriptors of the process lead to the device.
int descriptorsOn(qint64 pid, const QString& device) {
    int n = 0;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        n += fd.symLinkTarget() == device ? 1 : 0;
    return n;
}

// The program as a session starts it: no runtime directory; no display when `display` is off.
std::unique_ptr<QProcess> startProgram(const QStringList& arguments, const QString& tmpDir,
                                       bool display = true) {
    auto program = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.insert("TMPDIR", tmpDir);
    env.insert("XDG_CONFIG_HOME", tmpDir); // it keeps its layout there, not in the user's
    env.insert("XDG_DATA_HOME", tmpDir + "/data");
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    program->setProcessEnvironment(env);
    program->start(fromTestProgram(LUMADESK_PROGRAM), arguments);
    return program;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void setUpKeysOpenAndSaveSetUpsAndNeverWriteAnEmptyFile();
    void givenPortIsUsedAndOptionFileLeftAlone();
    void programRunsOnASimulatedRadio();
    void helpAndVersionNeedNoDisplay();
    void remoteOptionServesThisRunAndSaysWhere();
    void dataDirHoldsTheConsolesFiles_data();
    void dataDirHoldsTheConsolesFiles();
};

void StartupTest::setUpKeysOpenAndSaveSetUpsAndNeverWriteAnEmptyFile() {
    WorkingDirectory cwd;
    QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).clear();
    CLumaDeskApp app(ShellOptions{cwd.filePath("none"), {}, {}});
    QVERIFY(app.InitInstance());
    CMainFrame* frame = app.frame();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    StrobeData* head = PlaceStrobe(&frame->model(), 0, 3, std::make_unique<StrobeData>());
    head->nFlashValue = head->nModelValue = 50;
    SelectStudio(&frame->model(), frame->model().studios[0].get());
    QString chosen;
    const FileChooser previous = SetFileChooser([&chosen](const FileChoice&) { return chosen; });
    MessageBoxRecorder boxes(IDOK);

    // Ctrl+S with an empty name box asks for the name, then stores a set-up that loads.
    ModalAnswer named([](QDialog& dialog) {
        static_cast<QInputDialog&>(dialog).setTextValue("Client - look");
        return ModalAnswer::accept(dialog);
    });
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    XmlFileContext files{&frame->model(), nullptr, nullptr};
    QVERIFY(ReadMemoryFile(&files, "Client - look"));
    QCOMPARE(frame->model().pMemoryStudio->UnitOn(3)->nFlashValue, 50);

    // Ctrl+O of set-ups elsewhere: copied in under their own names, previewed, four recent.
    QDir().mkdir("elsewhere");
    QStringList opened;
    for (int i = 1; i <= 5; ++i) {
        chosen = cwd.filePath(QStringLiteral("elsewhere/look%1.xml").arg(i));
        QVERIFY(QFile::copy(MemoryFilePath("Client - look"), chosen));
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        opened.prepend(chosen);
        QCOMPARE(readFile(MemoryFilePath(QStringLiteral("look%1").arg(i))), readFile(chosen));
    }
    QCOMPARE(frame->paneText(0), QString("Set-up \"look5\" opened: Load (Ctrl+L) applies it"));
    QCOMPARE(app.recentFiles()->files(), opened.mid(0, 4));

    // What the reader refuses is never copied in; a FIFO is not waited on.
    QFile bad(cwd.filePath("elsewhere/bad.xml"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("<NotASetUp/>") > 0);
    bad.close();
    QCOMPARE(mkfifo("elsewhere/fifo.xml", 0600), 0);
    boxes.texts.clear();
    for (const QString& refused : {bad.fileName(), cwd.filePath("elsewhere/fifo.xml")}) {
        chosen = refused;
        alarm(10); // an open that waits for a writer ends the test here
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        alarm(0);
    }
    QCOMPARE(boxes.texts, QStringList(2, "Fail to open file"));
    QVERIFY(!QFileInfo::exists(MemoryFilePath("bad")));
    QVERIFY(!QFileInfo::exists(MemoryFilePath("fifo")));

    // Ctrl+N writes nothing anywhere.
    const QStringList before =
        QDir(kMemoryFolder).entryList(QDir::Files) + QDir(cwd.path()).entryList(QDir::Files);
    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(QDir(kMemoryFolder).entryList(QDir::Files) + QDir(cwd.path()).entryList(QDir::Files),
             before);
    for (const QFileInfo& file : QDir(kMemoryFolder).entryInfoList(QDir::Files))
        QVERIFY2(file.size() > 0, qPrintable(file.fileName()));
    SetFileChooser(previous);
}

void StartupTest::givenPortIsUsedAndOptionFileLeftAlone() {
    WorkingDirectory cwd;
    ComSettings options;
    options.portName = "COM5";
    QCOMPARE(WriteOptionFile(nullptr, options), 1);
    const QByteArray before = readFile(kOptionFile);
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    const QString link = cwd.filePath("dongle");
    QVERIFY(QFile::link(dongle.devicePath(), link));

    const auto program = startProgram({"--port", link}, cwd.filePath("."));
    QVERIFY(program->waitForStarted());
    QTRY_COMPARE(descriptorsOn(program->processId(), dongle.devicePath()), 1);
    program->terminate(); // ends in order: exit code 0, its runtime directory gone
    QVERIFY(program->waitForFinished());
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(readFile(kOptionFile), before);
    const QByteArray errors = program->readAllStandardError();
    QVERIFY2(!errors.contains("XDG_RUNTIME_DIR"), errors.constData());
    QCOMPARE(QDir(cwd.filePath(".")).entryList({"lumadesk-runtime-*"}, QDir::Dirs), QStringList());
}

void StartupTest::programRunsOnASimulatedRadio() {
    WorkingDirectory cwd;
    const auto program = startProgram({"--simulate", "B:1,2"}, cwd.filePath("."));
    QTRY_VERIFY(program->canReadLine());
    const QString line = QString::fromLocal8Bit(program->readLine()).trimmed();
    QVERIFY2(line.startsWith("lumadesk: simulated radio on /dev/pts/"), qPrintable(line));
    // The simulator keeps one descriptor of its device end; the console opens another.
    QTRY_COMPARE(descriptorsOn(program->processId(), line.section(' ', -1)), 2);
    program->terminate();
    QVERIFY(program->waitForFinished());
    QCOMPARE(program->exitCode(), 0);
    QVERIFY(!QFile::exists(kOptionFile));
}

void StartupTest::helpAndVersionNeedNoDisplay() {
    WorkingDirectory cwd;
    const auto help = startProgram({"--help"}, cwd.filePath("."), false);
    const auto version = startProgram({"--version"}, cwd.filePath("."), false);
    QVERIFY(help->waitForFinished() && version->waitForFinished());
    QCOMPARE(help->exitCode() + version->exitCode(), 0);
    const QByteArray helpText = help->readAllStandardOutput();
    QVERIFY(helpText.contains("--simulate"));
    QVERIFY(helpText.contains("/data/LumaDesk")); // the standard data folder, as it is here
    QVERIFY(version->readAllStandardOutput().startsWith("LumaDesk "));
}

// Scripts read the page's address and the pairing code from standard error; a bad value stops
// the program before any window.
void StartupTest::remoteOptionServesThisRunAndSaysWhere() {
    WorkingDirectory cwd;
    const auto program =
        startProgram({"--simulate", "A:1", "--remote", "127.0.0.1:0"}, cwd.filePath("."));
    QString line;
    QTRY_VERIFY(
        (line += QString::fromLocal8Bit(program->readAllStandardError())).contains("pairing code"));
    const QRegularExpression said(
        "lumadesk: phone remote on http://127\\.0\\.0\\.1:([0-9]+)/ pairing code [0-9]{6}\n");
    const QRegularExpressionMatch match = said.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QVERIFY(match.captured(1).toInt() > 0);
    program->terminate();
    QVERIFY(program->waitForFinished());
    QCOMPARE(program->exitCode(), 0);

    const auto bad = startProgram({"--remote", "studio:80"}, cwd.filePath("."));
    QVERIFY(bad->waitForFinished());
    QVERIFY(bad->exitCode() != 0);
    QVERIFY(bad->readAllStandardError().contains("--remote needs ADDRESS:PORT"));
}

void StartupTest::dataDirHoldsTheConsolesFiles_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("folder"); // where the set-up folder appears, from the working one
    QTest::addColumn<int>("exitCode");
    QTest::newRow("the standard data folder") << "standard"
                                              << "data/LumaDesk" << 0;
    QTest::newRow("a folder made on the way") << "desk/one"
                                              << "desk/one" << 0;
    QTest::newRow("a file in the way") << "taken"
                                       << "" << 1;
}

void StartupTest::dataDirHoldsTheConsolesFiles() {
    QFETCH(QString, dir);
    QFETCH(QString, folder);
    WorkingDirectory cwd;
    QFile taken(cwd.filePath("taken"));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    const auto program = startProgram({"--data-dir", dir}, cwd.path());
    if (folder.isEmpty()) {
        QVERIFY(program->waitForFinished());
        QVERIFY(program->readAllStandardError().contains("is not a folder"));
    } else {
        // The panel lists the set-ups at start-up, which makes their folder.
        QTRY_VERIFY(QFileInfo(cwd.filePath(folder + "/" + kMemoryFolder)).isDir());
        program->terminate();
        QVERIFY(program->waitForFinished());
    }
    QTEST(program->exitCode(), "exitCode");
    QVERIFY(!QFileInfo::exists(cwd.filePath(kMemoryFolder)));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
