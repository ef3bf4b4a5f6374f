#include "model/FileFixtures.h"
#include "model/OptionFile.h"
#include "support/MessageRecorder.h"

#include <QtTest>
#include <sys/stat.h>

using namespace lumadesk;

class OptionFileTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileKeepsDefaults();
    void writtenFileFollowsLayoutAndReadsBack();
    void readsHandWrittenFiles_data();
    void readsHandWrittenFiles();
    void failedWriteKeepsEarlierFileAndSaysSo();
    void specialFilesKeepDefaults();
};

namespace {

QByteArray option(const QByteArray& children, const QByteArray& root = "Option") {
    return "<?xml version='1.0' encoding='utf-8'?>\n<" + root + ">" + children + "</" + root + ">";
}

} // namespace

void OptionFileTest::missingFileKeepsDefaults() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    ComSettings settings;
    QCOMPARE(ReadOptionFile(nullptr, settings), 0);
    QCOMPARE(settings.portName, QString("COM2"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(boxes.texts, QStringList());
}

void OptionFileTest::writtenFileFollowsLayoutAndReadsBack() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    XmlFileContext context;
    ComSettings written;
    written.portName = "COM5 & <dongle>";
    written.baudRate = 38400;
    QCOMPARE(WriteOptionFile(&context, written), 1);
    QCOMPARE(context.pDoc, nullptr);
    QCOMPARE(QString::fromUtf8(readFile("Option.xml")).split('\n'),
             (QStringList{"<?xml version='1.0' encoding='utf-8'?>", "<Option>", "\t<ComSet>",
                          "\t\t<sComPort>COM5 &amp; &lt;dongle&gt;</sComPort>",
                          "\t\t<nBaud>38400</nBaud>", "\t</ComSet>", "</Option>"}));

    ComSettings read;
    read.dataBits = 7;
    read.parity = 2;
    QCOMPARE(ReadOptionFile(&context, read), 1);
    QCOMPARE(read.portName, written.portName);
    QCOMPARE(read.baudRate, 38400);
    QCOMPARE(read.dataBits, 7); // only the two stored values change
    QCOMPARE(read.parity, 2);
    QCOMPARE(boxes.texts, QStringList());
}

void OptionFileTest::readsHandWrittenFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baud");
    const QByteArray port = "<sComPort>COM7</sComPort>";
    QTest::newRow("38400") << option("<ComSet>" + port + "<nBaud>38400</nBaud></ComSet>") << 1
                           << "COM7" << 38400;
    QTest::newRow("by position whatever the names")
        << option("\n\t<X><nBaud>COM4</nBaud><!-- c --><a> 19200 </a><b>1</b></X>\n") << 1 << "COM4"
        << 19200;
    QTest::newRow("two children keep both defaults")
        << option("<ComSet>" + port + "<nBaud>38400</nBaud></ComSet><ComSet/>") << 0 << "COM2"
        << 9600;
    QTest::newRow("one child sets only the port")
        << option("<ComSet>" + port + "</ComSet>") << 0 << "COM7" << 9600;
    QTest::newRow("baud not a number keeps 9600")
        << option("<ComSet>" + port + "<nBaud>fast</nBaud></ComSet>") << 0 << "COM7" << 9600;
    QTest::newRow("baud 0 keeps 9600")
        << option("<ComSet>" + port + "<nBaud>0</nBaud></ComSet>") << 0 << "COM7" << 9600;
    QTest::newRow("negative baud keeps 9600")
        << option("<ComSet>" + port + "<nBaud>-9600</nBaud></ComSet>") << 0 << "COM7" << 9600;
    QTest::newRow("no values") << option("<ComSet/>") << 0 << "COM2" << 9600;
    QTest::newRow("root differs in case")
        << option("<ComSet>" + port + "<nBaud>38400</nBaud></ComSet>", "option") << 0 << "COM2"
        << 9600;
    QTest::newRow("not well-formed")
        << option("<ComSet>" + port + "<nBaud>38400</nBaud></ComSet>").chopped(3) << 0 << "COM2"
        << 9600;
    QTest::newRow("port of white space only")
        << option("<ComSet><sComPort>  </sComPort><nBaud>38400</nBaud></ComSet>") << 1 << "  "
        << 38400;
}

void OptionFileTest::readsHandWrittenFiles() {
    QFETCH(QByteArray, file);
    QFETCH(int, result);
    QFETCH(QString, port);
    QFETCH(int, baud);
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    QVERIFY(writeFile("Option.xml", file));
    ComSettings settings;
    QCOMPARE(ReadOptionFile(nullptr, settings), result);
    QCOMPARE(settings.portName, port);
    QCOMPARE(settings.baudRate, baud);
    QCOMPARE(boxes.texts, QStringList());
}

void OptionFileTest::failedWriteKeepsEarlierFileAndSaysSo() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    ComSettings settings;
    QCOMPARE(WriteOptionFile(nullptr, settings), 1);
    const QByteArray earlier = readFile("Option.xml");
    settings.portName = QString(4096, 'P');
    {
        FileSizeLimit limit(rlim_t(earlier.size()) + 100);
        QCOMPARE(WriteOptionFile(nullptr, settings), 0);
    }
    QCOMPARE(readFile("Option.xml"), earlier);
    QCOMPARE(QDir(".").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"Option.xml"});

    QVERIFY(QFile::remove("Option.xml"));
    QVERIFY(QDir().mkdir("Option.xml")); // a folder in the file's place
    QCOMPARE(WriteOptionFile(nullptr, settings), 0);
    QCOMPARE(ReadOptionFile(nullptr, settings), 0);
    QCOMPARE(boxes.texts, QStringList(2, QString("Fail to save file")));
}

void OptionFileTest::specialFilesKeepDefaults() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    ComSettings settings;
    QVERIFY(QFile::link("/dev/zero", "Option.xml"));
    QCOMPARE(ReadOptionFile(nullptr, settings), 0);
    QVERIFY(QFile::remove("Option.xml"));
    QCOMPARE(mkfifo("Option.xml", 0600), 0); // no writer: an open would wait
    QCOMPARE(ReadOptionFile(nullptr, settings), 0);
    QCOMPARE(settings.portName, QString("COM2"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(boxes.texts, QStringList());
}

QTEST_GUILESS_MAIN(OptionFileTest)
#include "tst_optionfile.moc"
