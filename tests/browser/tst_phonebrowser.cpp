#include "actions/OperatorActions.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "remote/RemoteServer.h"
#include "sim/Simulator.h"
#include "support/PrivateSettings.h"
#include "support/QuickHeads.h"
#include "support/WorkingDirectory.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <mutex>

using namespace lumadesk;

namespace {

// The commands the simulated dongle read from the console, filled on the simulator's thread.
class Wire {
public:
    void note(const QString& line) {
        const qsizetype at = line.indexOf(QLatin1String(" in   "));
        if (at < 0)
            return;
        const std::lock_guard lock(m_mutex);
        m_commands << line.mid(at + 6);
    }
    QStringList take() {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_commands, {});
    }

private:
    std::mutex m_mutex;
    QStringList m_commands;
};

// The console without its window, wired as the main frame wires it: the model, the radio link
// drained on each notification, the operator actions and the phone remote.
class Console : public QObject {
public:
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    OperatorActions actions{model, link.protocol(), ActionPanes{}};
    RemoteServer remote{model, link, actions};

protected:
    void customEvent(QEvent* event) override {
        const WindowMessage* message = AsWindowMessage(event);
        if (message != nullptr && message->number() == Msg::FrameBytesReceived)
            link.drain();
    }
};

// Debian's python, where python3-selenium lives, ahead of any other on the PATH.
QString python() {
    const QString debian = QStringLiteral("/usr/bin/python3");
    return QFileInfo(debian).isExecutable()
               ? debian
               : QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// The phone's run, however it ends: its exit, what it printed and why it stopped.
struct PhoneRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;

    QString line(const QString& key) const {
        for (const QString& l : out.split(QLatin1Char('\n'))) {
            if (l.startsWith(key + QLatin1Char(' ')))
                return l.mid(key.size() + 1).trimmed();
        }
        return {};
    }
};

// Runs the browser's script while this thread's event loop serves the page and the socket.
PhoneRun runPhone(const QStringList& arguments) {
    QProcess phone;
    phone.setProgram(python());
    phone.setArguments(QStringList{QStringLiteral(LUMADESK_PHONE_SCRIPT)} + arguments);
    QEventLoop loop;
    QObject::connect(&phone, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&phone, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    // A hung browser must not outlast CTest's limit: the test fails and says so first.
    QTimer::singleShot(std::chrono::minutes(4), &loop, &QEventLoop::quit);
    phone.start();
    loop.exec();
    PhoneRun run;
    run.finished =
        phone.state() == QProcess::NotRunning && phone.error() != QProcess::FailedToStart;
    if (phone.state() != QProcess::NotRunning) {
        phone.kill();
        phone.waitForFinished();
    }
    run.exitCode = phone.exitStatus() == QProcess::NormalExit ? phone.exitCode() : -1;
    run.out = QString::fromUtf8(phone.readAllStandardOutput());
    run.err = QString::fromUtf8(phone.readAllStandardError());
    if (phone.error() == QProcess::FailedToStart)
        run.err = QStringLiteral("cannot start %1: %2").arg(phone.program(), phone.errorString());
    return run;
}

} // namespace

class PhoneBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void phoneStepsAHeadAndSeesItConfirmed();
};

// A phone's browser pairs, presses "CH-01 flash up 0.1" and waits for the page to show the new
// level confirmed; the head has it and the console's record agrees.
void PhoneBrowserTest::phoneStepsAHeadAndSeesItConfirmed() {
    WorkingDirectory cwd; // the Business Memory folder lands here
    Wire wire;
    sim::SimConfig config = quickHeads(QStringLiteral("A:1-3"));
    config.heads[1].settings.flashLevel = 63;
    config.heads[1].settings.modelLevel = 42;
    config.heads[2].settings.modelPower = 0;
    config.log = [&wire](const QString& line) { wire.note(line); };
    sim::Simulator dongle(config);
    QVERIFY2(dongle.start(), qPrintable(dongle.errorString()));

    Console console;
    QVERIFY(console.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
    StudioData* studio = console.model.studios[0].get();
    SelectStudio(&console.model, studio);
    QCOMPARE(console.link.startScan(nullptr), studio);
    QTRY_COMPARE(studio->nChItemCnt, 3);
    StrobeData* head = studio->UnitOn(0);
    QVERIFY(head != nullptr);
    QCOMPARE(head->nFlashValue, 50);
    // What a studio shows on an ordinary day: named heads, two ticked, one set-up stored.
    studio->UnitOn(0)->sModelName = QStringLiteral("Key light");
    studio->UnitOn(1)->sModelName = QStringLiteral("Fill");
    studio->UnitOn(2)->sModelName = QStringLiteral("Hair light");
    studio->UnitOn(1)->bChSelect = studio->UnitOn(2)->bChSelect = 1;
    QVERIFY(QDir(cwd.path()).mkpath(QLatin1String(kMemoryFolder)));
    XmlFileContext files{&console.model};
    QCOMPARE(SaveMemoryFile(&files, QStringLiteral("evening")), 1);

    QString problem;
    QVERIFY2(console.remote.start(QHostAddress::LocalHost, 0, &problem), qPrintable(problem));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(console.remote.port());
    QTemporaryDir pictures;
    const QByteArray wanted = qgetenv("LUMADESK_SCREENSHOT_DIR");
    const QString shot = QDir(wanted.isEmpty() ? pictures.path() : QString::fromLocal8Bit(wanted))
                             .filePath(QStringLiteral("remote-phone.png"));
    QFile::remove(shot);
    wire.take(); // the scan's select

    const PhoneRun run =
        runPhone({QStringLiteral("--url"), url, QStringLiteral("--code"),
                  console.remote.pairingCode(), QStringLiteral("--screenshot"), shot});
    if (run.exitCode == 3)
        QFAIL(qPrintable(QStringLiteral("the browser test cannot run here: ") + run.err));
    QVERIFY2(run.finished && run.exitCode == 0,
             qPrintable(QStringLiteral("the phone's browser failed (exit %1): %2\n%3")
                            .arg(run.exitCode)
                            .arg(run.err, run.out)));
    QCOMPARE(run.line(QStringLiteral("before")), QStringLiteral("5.0"));
    QCOMPARE(run.line(QStringLiteral("after")), QStringLiteral("5.1"));

    // One frame went out, for CH-01's flash level alone, and the head took it.
    const QStringList commands = wire.take();
    QCOMPARE(commands.size(), 1);
    QVERIFY2(commands[0].contains(QLatin1String("CH-01")), qPrintable(commands[0]));
    const QList<sim::HeadState> heads = dongle.heads();
    QCOMPARE(heads[0].settings.flashLevel, quint8(51));
    QCOMPARE(heads[0].settings.modelLevel, quint8(50));
    QCOMPARE(heads[1].settings.flashLevel, quint8(63));
    QCOMPARE(head->nFlashValue, 51);
    QCOMPARE(console.link.pending().stateOf(*head, &StrobeData::nFlashValue),
             Confirmation::Confirmed);

    const QImage picture(shot);
    QVERIFY2(!picture.isNull(), qPrintable(shot));
    QCOMPARE(picture.size(), QSize(824, 1830)); // 412 x 915 at scale 2
}

QTEST_GUILESS_MAIN(PhoneBrowserTest)
#include "tst_phonebrowser.moc"
