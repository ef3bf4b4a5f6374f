#include "actions/OperatorActions.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "remote/RemoteServer.h"
#include "sim/Simulator.h"
#include "support/BuildPath.h"
#include "support/PrivateSettings.h"
#include "support/QuickHeads.h"
#include "support/SimulatorWire.h"
#include "support/WorkingDirectory.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <mutex>

using namespace lumadesk;

namespace {

// The console without its window, wired as the main frame wires it: the model, the radio link
// (which drains itself), the operator actions and the phone remote.
class Console : public QObject {
public:
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    OperatorActions actions{model, link.protocol(), ActionPanes{}};
    RemoteServer remote{model, link, actions};
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

// Runs the browser's script while this thread's event loop serves the page and the socket; each
// line the script prints is handed to onLine as it comes.
PhoneRun runPhone(const QStringList& arguments,
                  const std::function<void(const QString&)>& onLine = {}) {
    QProcess phone;
    PhoneRun run;
    qsizetype handed = 0; // how much of run.out went to onLine
    QObject::connect(&phone, &QProcess::readyReadStandardOutput, [&] {
        run.out += QString::fromUtf8(phone.readAllStandardOutput());
        for (qsizetype end; (end = run.out.indexOf(QLatin1Char('\n'), handed)) >= 0;
             handed = end + 1) {
            if (onLine)
                onLine(run.out.mid(handed, end - handed));
        }
    });
    phone.setProgram(python());
    phone.setArguments(QStringList{fromTestProgram(LUMADESK_PHONE_SCRIPT)} + arguments);
    QEventLoop loop;
    QObject::connect(&phone, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&phone, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    // A hung browser must not outlast CTest's limit: the test fails and says so first.
    QTimer::singleShot(std::chrono::minutes(2), &loop, &QEventLoop::quit);
    phone.start();
    loop.exec();
    run.finished =
        phone.state() == QProcess::NotRunning && phone.error() != QProcess::FailedToStart;
    if (phone.state() != QProcess::NotRunning) {
        phone.kill();
        phone.waitForFinished();
    }
    run.exitCode = phone.exitStatus() == QProcess::NormalExit ? phone.exitCode() : -1;
    run.out += QString::fromUtf8(phone.readAllStandardOutput());
    run.err = QString::fromUtf8(phone.readAllStandardError());
    if (phone.error() == QProcess::FailedToStart)
        run.err = QStringLiteral("cannot start %1: %2").arg(phone.program(), phone.errorString());
    return run;
}

// Studio A with three named heads (or as many as asked, the first three named), CH-02 and CH-03
// ticked on the desk, the set-up "evening" stored, scanned through the simulated dongle, and the
// remote listening on loopback.
struct Studio {
    int heads;
    WorkingDirectory cwd; // the Business Memory folder lands here
    SimulatorWire wire;
    sim::Simulator dongle{config()};
    Console console;
    StudioData* studio = nullptr;

    explicit Studio(int count = 3) : heads(count) {}

    sim::SimConfig config() {
        sim::SimConfig c = quickHeads(QStringLiteral("A:1-%1").arg(heads));
        c.heads[1].settings.flashLevel = 63;
        c.heads[1].settings.modelLevel = 42;
        c.heads[2].settings.modelPower = 0;
        c.log = [this](const QString& line) { wire.note(line); };
        return c;
    }

    // What the dongle read since the last call, in the simulator's words.
    QStringList takeWords() {
        QStringList words;
        for (const QString& command : wire.takeCommands())
            words << SimulatorWire::wordsOf(command);
        return words;
    }

    // False, with why, when any step of the setting up fails.
    bool start(QString* why) {
        if (!dongle.start())
            return (*why = dongle.errorString()), false;
        if (!console.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}))
            return (*why = QStringLiteral("cannot open the dongle")), false;
        studio = console.model.studios[0].get();
        SelectStudio(&console.model, studio);
        if (console.link.startScan(nullptr) != studio)
            return (*why = QStringLiteral("the scan did not start")), false;
        if (!QTest::qWaitFor([this] { return studio->nChItemCnt == heads; }))
            return (*why = QStringLiteral("the heads did not report")), false;
        const QStringList names{QStringLiteral("Key light"), QStringLiteral("Fill"),
                                QStringLiteral("Hair light")};
        for (int channel = 0; channel < 3; ++channel)
            studio->UnitOn(channel)->sModelName = names[channel];
        studio->UnitOn(1)->bChSelect = studio->UnitOn(2)->bChSelect = 1;
        XmlFileContext files{&console.model};
        if (!QDir(cwd.path()).mkpath(QLatin1String(kMemoryFolder)) ||
            SaveMemoryFile(&files, QStringLiteral("evening")) != 1)
            return (*why = QStringLiteral("cannot store the set-up")), false;
        if (!console.remote.start(QHostAddress::LocalHost, 0, why))
            return false;
        takeWords(); // the scan's select
        return true;
    }

    PhoneRun phone(const QString& scenario, const QString& screenshot = {},
                   const std::function<void(const QString&)>& onLine = {}) {
        QStringList arguments{QStringLiteral("--url"),
                              QStringLiteral("http://127.0.0.1:%1/").arg(console.remote.port()),
                              QStringLiteral("--code"),
                              console.remote.pairingCode(),
                              QStringLiteral("--scenario"),
                              scenario};
        if (!screenshot.isEmpty())
            arguments << QStringLiteral("--screenshot") << screenshot;
        return runPhone(arguments, onLine);
    }

    QList<int> flashOnHeads() const {
        QList<int> levels;
        for (const sim::HeadState& head : dongle.heads())
            levels << head.settings.flashLevel;
        return levels;
    }
    QList<int> flashInRecords() const {
        QList<int> levels;
        for (int channel = 0; channel < 3; ++channel)
            levels << studio->UnitOn(channel)->nFlashValue;
        return levels;
    }
    bool allConfirmed() const {
        for (int channel = 0; channel < 3; ++channel) {
            if (console.link.pending().stateOf(*studio->UnitOn(channel),
                                               &StrobeData::nFlashValue) != Confirmation::Confirmed)
                return false;
        }
        return true;
    }
};

// The browser's run must have gone through; missing tools fail the test, they never skip it.
QString failureOf(const PhoneRun& run) {
    if (run.exitCode == 3)
        return QStringLiteral("the browser test cannot run here: ") + run.err;
    if (!run.finished || run.exitCode != 0)
        return QStringLiteral("the phone's browser failed (exit %1): %2\n%3")
            .arg(run.exitCode)
            .arg(run.err, run.out);
    return {};
}

} // namespace

class PhoneBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void phoneStepsAHeadAndSeesItConfirmed();
    void phoneOffsetsTheTickedHeadsLoadsASetupAskedFirstThenIsForgotten();
    void wrongCodesLockThePairingAndThePageSaysUntilWhen();
    void aRestartedBrowserStaysPairedAndPairingAgainListsItOnce();
    void tenHeadsShowALineEachAndATapOpensTheCard();
};

// A phone's browser pairs, presses "CH-01 flash up 0.1" and waits for the page to show the new
// level confirmed; the head has it and the console's record agrees.
void PhoneBrowserTest::phoneStepsAHeadAndSeesItConfirmed() {
    Studio rig;
    QString why;
    QVERIFY2(rig.start(&why), qPrintable(why));
    QTemporaryDir pictures;
    const QByteArray wanted = qgetenv("LUMADESK_SCREENSHOT_DIR");
    const QString shot = QDir(wanted.isEmpty() ? pictures.path() : QString::fromLocal8Bit(wanted))
                             .filePath(QStringLiteral("remote-phone.png"));
    QFile::remove(shot);

    const PhoneRun run = rig.phone(QStringLiteral("step"), shot);
    QVERIFY2(failureOf(run).isEmpty(), qPrintable(failureOf(run)));
    QCOMPARE(run.line(QStringLiteral("before")), QStringLiteral("5.0"));
    QCOMPARE(run.line(QStringLiteral("after")), QStringLiteral("5.1"));
    QCOMPARE(run.line(QStringLiteral("test-note")), QStringLiteral("✓ Test flash sent"));

    // One frame went out for CH-01's level, and the head took it; the others kept theirs. Then
    // the test flash.
    const QStringList commands = rig.takeWords();
    QCOMPARE(commands, (QStringList{QStringLiteral("flash level CH-01: P1 51 P2 50"),
                                    QStringLiteral("test flash CH-01: P1 0 P2 0")}));
    QCOMPARE(rig.flashOnHeads(), (QList<int>{51, 63, 50}));
    QCOMPARE(rig.flashInRecords(), (QList<int>{51, 63, 50}));
    QVERIFY(rig.allConfirmed());

    const QImage picture(shot);
    QVERIFY2(!picture.isNull(), qPrintable(shot));
    QCOMPARE(picture.size(), QSize(824, 1830)); // 412 x 915 at scale 2
}

// The ticked heads move by the group's tenth; the set-up loads only once the question is
// answered with Load, and brings the heads back to its levels; a phone the console forgets is
// asked to pair again.
void PhoneBrowserTest::phoneOffsetsTheTickedHeadsLoadsASetupAskedFirstThenIsForgotten() {
    Studio rig;
    QString why;
    QVERIFY2(rig.start(&why), qPrintable(why));

    // Once loaded, the console forgets every phone: the page must ask to pair again.
    const PhoneRun run = rig.phone(QStringLiteral("group-load"), {}, [&rig](const QString& line) {
        if (line.startsWith(QLatin1String("loaded ")))
            rig.console.remote.forgetAll();
    });
    QVERIFY2(failureOf(run).isEmpty(), qPrintable(failureOf(run)));
    QCOMPARE(run.line(QStringLiteral("ticked")), QStringLiteral("CH-02=6.4 CH-03=5.1"));
    QCOMPARE(run.line(QStringLiteral("loaded")), QStringLiteral("CH-02=6.3 CH-03=5.0"));
    QCOMPARE(run.line(QStringLiteral("unpaired")),
             QStringLiteral("The console does not know this phone any more."));

    const QStringList commands = rig.takeWords();
    // The offset as one frame for the studio; the cancelled question sent nothing; the load
    // sent each head its stored settings.
    QCOMPARE(
        commands,
        (QStringList{
            QStringLiteral("studio flash levels: 50/50 64/42 51/50 0/0 0/0 0/0 0/0 0/0 0/0 0/0"),
            QStringLiteral("unit settings CH-01: power 1 flash 50 model 50 cell 0 sound 0 "
                           "mode1 0 mode2 0 lamp 1"),
            QStringLiteral("unit settings CH-02: power 1 flash 63 model 42 cell 0 sound 0 "
                           "mode1 0 mode2 0 lamp 1"),
            QStringLiteral("unit settings CH-03: power 1 flash 50 model 50 cell 0 sound 0 "
                           "mode1 0 mode2 0 lamp 0")}));
    QCOMPARE(rig.flashOnHeads(), (QList<int>{50, 63, 50}));
    QCOMPARE(rig.flashInRecords(), (QList<int>{50, 63, 50}));
    QVERIFY(rig.allConfirmed());
}

// Five wrong codes are each said to be wrong; the sixth finds the pairing locked, and the page
// says for how long and keeps its button from sending more.
void PhoneBrowserTest::wrongCodesLockThePairingAndThePageSaysUntilWhen() {
    Studio rig;
    QString why;
    QVERIFY2(rig.start(&why), qPrintable(why));

    const PhoneRun run = rig.phone(QStringLiteral("locked"));
    QVERIFY2(failureOf(run).isEmpty(), qPrintable(failureOf(run)));
    QCOMPARE(run.line(QStringLiteral("locked after")), QStringLiteral("6"));
    const QString said = run.line(QStringLiteral("message"));
    // A loaded machine may take a second or more between the lock and the page's sum.
    const QRegularExpression lockedFor(
        QStringLiteral(R"(^Too many wrong codes\. Try again at .+ \(in (\d+) seconds\)\.$)"));
    const QRegularExpressionMatch match = lockedFor.match(said);
    QVERIFY2(match.hasMatch(), qPrintable(said));
    const int seconds = match.captured(1).toInt();
    QVERIFY2(seconds > RemoteServer::kLockoutSeconds - 15 &&
                 seconds <= RemoteServer::kLockoutSeconds,
             qPrintable(said));
    QVERIFY(rig.takeWords().isEmpty());
}

// The cookie outlives the browser: restarted on its profile it opens the remote unasked. Its
// cookie lost, it pairs again and the console still lists one phone, seen just now.
void PhoneBrowserTest::aRestartedBrowserStaysPairedAndPairingAgainListsItOnce() {
    Studio rig;
    QString why;
    QVERIFY2(rig.start(&why), qPrintable(why));
    rig.console.remote.forgetAll();

    const PhoneRun run = rig.phone(QStringLiteral("restart"));
    QVERIFY2(failureOf(run).isEmpty(), qPrintable(failureOf(run)));
    QVERIFY(run.out.contains(QLatin1String("\nrestarted\n")));
    QVERIFY(run.out.contains(QLatin1String("\npaired again\n")));
    const QList<PairedPhone> phones = rig.console.remote.pairedPhones();
    QCOMPARE(phones.size(), 1);
    QCOMPARE(phones[0].label, QStringLiteral("Android phone (Chrome)"));
    QVERIFY(phones[0].lastSeen.isValid());
}

// Ten heads: one line each, no card, a page of a few screens instead of a dozen; a tap on a line
// opens its card, and the line's +0.1 steps that head's flash alone.
void PhoneBrowserTest::tenHeadsShowALineEachAndATapOpensTheCard() {
    Studio rig(10);
    QString why;
    QVERIFY2(rig.start(&why), qPrintable(why));
    QTemporaryDir pictures;
    const QByteArray wanted = qgetenv("LUMADESK_SCREENSHOT_DIR");
    const QString shot = QDir(wanted.isEmpty() ? pictures.path() : QString::fromLocal8Bit(wanted))
                             .filePath(QStringLiteral("remote-phone-lines.png"));

    const PhoneRun run = rig.phone(QStringLiteral("ten"), shot);
    QVERIFY2(failureOf(run).isEmpty(), qPrintable(failureOf(run)));
    QCOMPARE(run.line(QStringLiteral("lines")), QStringLiteral("10"));
    QCOMPARE(run.line(QStringLiteral("cards")), QStringLiteral("0"));
    const int height = run.line(QStringLiteral("height")).toInt();
    QVERIFY2(height > 0 && height < 2 * 915, qPrintable(run.line(QStringLiteral("height"))));
    QCOMPARE(run.line(QStringLiteral("opened")), QStringLiteral("CH-05"));
    QCOMPARE(run.line(QStringLiteral("stepped")), QStringLiteral("6.3 6.4"));
    QCOMPARE(rig.takeWords(), QStringList{QStringLiteral("flash level CH-02: P1 64 P2 42")});
}

QTEST_GUILESS_MAIN(PhoneBrowserTest)
#include "tst_phonebrowser.moc"
