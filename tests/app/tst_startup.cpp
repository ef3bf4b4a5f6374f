#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CLumaDeskDoc.h"
#include "app/CMainFrame.h"
#include "app/RecentFileList.h"
#include "model/OptionFile.h"
#include "platform/PseudoTerminal.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeOptions(const QString& port, int baud) {
    ComSettings settings;
    settings.portName = port;
    settings.baudRate = baud;
    QVERIFY(WriteOptionFile(nullptr, settings) == 1);
}

// How many descriptors of the process lead to the device.
int descriptorsOn(qint64 pid, const QString& device) {
    int n = 0;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        n += fd.symLinkTarget() == device ? 1 : 0;
    return n;
}

// The program as a session would start it: no runtime directory, no display for text only.
QProcess* startProgram(const QStringList& arguments, const QString& tmpDir, bool display = true) {
    auto* program = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmpDir);
    if (display) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
    }
    program->setProcessEnvironment(env);
    program->start(QStringLiteral(LUMADESK_PROGRAM), arguments);
    return program;
}

class FileAnswer {
public:
    QString next;
    FileAnswer() : m_previous(SetFileChooser([this](const FileChoice&) { return next; })) {}
    ~FileAnswer() { SetFileChooser(std::move(m_previous)); }

private:
    FileChooser m_previous;
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void documentKeysNameTheDocumentAndKeepFourRecentFiles();
    void messageBoxesAreRealBoxesWithTheProgramsTitle();
    void givenPortWinsForThisRunOnly();
    void programUsesTheGivenPortAndEndsInOrder();
    void programRunsOnASimulatedRadio();
    void helpAndVersionNeedNoDisplay();
};

void StartupTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void StartupTest::init() {
    QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).clear();
}

void StartupTest::documentKeysNameTheDocumentAndKeepFourRecentFiles() {
    WorkingDirectory cwd;
    CLumaDeskApp app(ShellOptions{cwd.filePath("none"), {}, {}});
    QVERIFY(app.InitInstance());
    CMainFrame* frame = app.frame();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QCOMPARE(frame->windowTitle(), QString("Glowmark"));
    StudioData* studio = frame->model().studios[0].get();
    PlaceStrobe(&frame->model(), 0, 3, std::make_unique<StrobeData>());
    FileAnswer files;

    QStringList opened;
    for (int i = 1; i <= 5; ++i) {
        files.next = cwd.filePath(QStringLiteral("setup%1.txt").arg(i));
        writeFile(files.next, "kept");
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        opened.prepend(files.next);
    }
    QCOMPARE(app.document()->pathName(), opened[0]);
    QCOMPARE(app.recentFiles()->files(), opened.mid(0, 4));
    QSettings settings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName());
    QVERIFY(settings.fileName().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    QCOMPARE(settings.value("Recent File List/File1").toString(), opened[0]);
    QCOMPARE(settings.value("Recent File List/File4").toString(), opened[3]);
    QCOMPARE(RecentFileList(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).files(),
             opened.mid(0, 4));

    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(app.document()->pathName().isEmpty());
    QCOMPARE(studio->nChItemCnt, 1); // the document holds no data: the model stays

    // Save asks for a name; a file that exists keeps what it holds, a new one is created.
    files.next = opened[4];
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(app.document()->pathName(), opened[4]);
    QCOMPARE(readFile(opened[4]), QByteArray("kept"));
    QCOMPARE(app.recentFiles()->files().constFirst(), opened[4]);
    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    files.next = cwd.filePath("new.txt");
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(QFile::exists(files.next));
    QCOMPARE(studio->nChItemCnt, 1);
}

void StartupTest::messageBoxesAreRealBoxesWithTheProgramsTitle() {
    WorkingDirectory cwd;
    CLumaDeskApp app(ShellOptions{cwd.filePath("none"), {}, {}});
    QVERIFY(app.InitInstance());
    QString title;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Cancel)->click();
    });
    QCOMPARE(ShowMessageBox("Fail to open file", {}, MessageButtons::OkCancel), IDCANCEL);
    QCOMPARE(title, QString("LumaDesk"));
    QCOMPARE(text, QString("Fail to open file"));
}

void StartupTest::givenPortWinsForThisRunOnly() {
    WorkingDirectory cwd;
    writeOptions("COM5", 19200);
    const QByteArray before = readFile(kOptionFile);
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    const QString link = cwd.filePath("dongle");
    QVERIFY(QFile::link(dongle.devicePath(), link));
    {
        CLumaDeskApp app(ShellOptions{link, {}, "Simulated radio on " + link});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.frame();
        QCOMPARE(frame->comSettings().portName, link);
        QCOMPARE(frame->comSettings().baudRate, 19200);
        QCOMPARE(frame->paneText(0), "Simulated radio on " + link);
        QTRY_COMPARE(frame->paneText(1), QString("Zigbee connected"));
    }
    QCOMPARE(readFile(kOptionFile), before);
}

void StartupTest::programUsesTheGivenPortAndEndsInOrder() {
    WorkingDirectory cwd;
    writeOptions("COM5", 19200);
    const QByteArray before = readFile(kOptionFile);
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    const QString link = cwd.filePath("dongle");
    QVERIFY(QFile::link(dongle.devicePath(), link));

    std::unique_ptr<QProcess> program(startProgram({"--port", link}, cwd.filePath(".")));
    QVERIFY(program->waitForStarted());
    QTRY_COMPARE(descriptorsOn(program->processId(), dongle.devicePath()), 1);
    program->terminate();
    QVERIFY(program->waitForFinished());
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(readFile(kOptionFile), before);
    const QByteArray errors = program->readAllStandardError();
    QVERIFY2(!errors.contains("XDG_RUNTIME_DIR"), errors.constData());
    QCOMPARE(QDir(cwd.filePath(".")).entryList({"lumadesk-runtime-*"}, QDir::Dirs), QStringList());
}

void StartupTest::programRunsOnASimulatedRadio() {
    WorkingDirectory cwd;
    std::unique_ptr<QProcess> program(startProgram({"--simulate", "B:1,2"}, cwd.filePath(".")));
    QVERIFY(program->waitForStarted());
    QTRY_VERIFY(program->canReadLine());
    const QString line = QString::fromLocal8Bit(program->readLine()).trimmed();
    QVERIFY2(line.startsWith("lumadesk: simulated radio on /dev/pts/"), qPrintable(line));
    const QString device = line.section(' ', -1);
    // The simulator keeps one descriptor of its device end; the console opens another.
    QTRY_COMPARE(descriptorsOn(program->processId(), device), 2);
    program->terminate();
    QVERIFY(program->waitForFinished());
    QCOMPARE(program->exitCode(), 0);
    QVERIFY(!QFile::exists(kOptionFile));
}

void StartupTest::helpAndVersionNeedNoDisplay() {
    WorkingDirectory cwd;
    std::unique_ptr<QProcess> help(startProgram({"--help"}, cwd.filePath("."), false));
    QVERIFY(help->waitForFinished());
    QCOMPARE(help->exitCode(), 0);
    const QByteArray usage = help->readAllStandardOutput();
    QVERIFY(usage.contains("--port <NAME>") && usage.contains("--simulate"));

    std::unique_ptr<QProcess> version(startProgram({"--version"}, cwd.filePath("."), false));
    QVERIFY(version->waitForFinished());
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(version->readAllStandardOutput().startsWith("LumaDesk "));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
