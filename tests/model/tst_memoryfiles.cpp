#include "link/CCommThread.h"
#include "link/CZbProtocol.h"
#include "link/MemoryApply.h"
#include "model/BusinessMemory.h"
#include "model/FileFixtures.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"
#include "support/PortOnPty.h"

#include <QScopeGuard>
#include <QStringEncoder>
#include <QXmlStreamReader>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumadesk;

class MemoryFilesTest : public QObject {
    Q_OBJECT
private slots:
    void savedFileFollowsLayoutCharacterForCharacter();
    void saveThenLoadKeepsEveryStoredValue();
    void loadsHandWrittenFiles_data();
    void loadsHandWrittenFiles();
    void loadFailsWhereFileCannotBeRead();
    void previewSummarisesUnitsInCrLfLines();
    void applyCopiesPreviewAndSendsSettingsInSlotOrder();
    void listShowsStoredNamesSortedAndCreatesFolder();
    void emptyNameIsTheFileDotXml();
    void saveWithoutUnitsOrCurrentStudioWritesNothing();
    void failedSaveKeepsEarlierFile_data();
    void failedSaveKeepsEarlierFile();
    void namesNeverReachOutsideFolder_data();
    void namesNeverReachOutsideFolder();
    void saveRefusesWhatWouldNotShowOrLoad_data();
    void saveRefusesWhatWouldNotShowOrLoad();
    void onlyUnheldLeftoversOfOurSavesAreRemovedWhenListed();
    void parsesDecimalsLenientlyAndClamps_data();
    void parsesDecimalsLenientlyAndClamps();
    void xmlAddChildReportsRefusal();
};

namespace {

class ListSink : public FileListSink {
public:
    QStringList names;
    void clear() override { names.clear(); }
    void append(const QString& name) override { names.append(name); }
};

// One line per unit: "channel model-name nine-values light-name".
QStringList unitsOf(const StudioData& studio) {
    QStringList lines;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* u = studio.UnitOn(i)) {
            const int values[] = {u->nFlashValue,  u->bFlashCell,  u->bFlashSnd,
                                  u->bFlashCharge, u->bFlashPow,   u->nModelValue,
                                  u->nModelMode1,  u->nModelMode2, u->bModelPow};
            QStringList numbers;
            for (int v : values)
                numbers.append(QString::number(v));
            lines.append(QString::number(u->nChNum) + ' ' + u->sModelName + ' ' +
                         numbers.join(',') + ' ' + u->sLightName);
        }
    }
    return lines;
}

// A unit as a head's report leaves it: its levels at the foot of the range.
StrobeData* put(StudioData* studio, int ch, const QString& model = "Not define") {
    auto unit = std::make_unique<StrobeData>();
    unit->sModelName = model;
    unit->nFlashValue = unit->nModelValue = kLowestLevel;
    return PutStrobe(studio, ch, std::move(unit));
}

QByteArray strobe(const QByteArray& attributes, const QByteArray& values,
                  const QByteArray& tag = "v") {
    QByteArray out = "<Strobe " + attributes + ">";
    for (const QByteArray& v : values.split(','))
        out += "<" + tag + ">" + v + "</" + tag + ">";
    return out + "</Strobe>";
}

QByteArray document(const QByteArray& studios, const QByteArray& root = "StudioManage") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + root + ">" + studios + "</" + root +
           ">";
}

const QByteArray kTen = "52,0,0,1,1,30,0,0,1,Lamp";

// Line feeds after the root until the file has the given size.
QByteArray paddedTo(const QByteArray& file, qint64 size) {
    return file + QByteArray(qsizetype(size) - file.size(), '\n');
}

} // namespace

void MemoryFilesTest::savedFileFollowsLayoutCharacterForCharacter() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    StudioData* studio = model.studios[1].get();
    StrobeData* key = put(studio, 0, "Key & <Rim> \"Hair\" é");
    key->sLightName = "Licht & <Öl> \"a\"";
    key->nFlashValue = 52;
    key->bFlashCell = 1;
    key->nModelValue = 30;
    key->nModelMode1 = 1;
    key->bModelPow = 0;
    put(studio, 9);
    SelectStudio(&model, studio);
    XmlFileContext context{&model};
    ListMemoryFiles(&context);
    QCOMPARE(SaveMemoryFile(&context, "Set"), 1);
    QCOMPARE(boxes.texts, QStringList());

    auto values = [](const QStringList& texts) {
        const QStringList names{"nFlashValue", "bFlashCell",  "bFlashSnd",   "bFlashCharge",
                                "bFlashPow",   "nModelValue", "nModelMode1", "nModelMode2",
                                "bModelPow",   "sLightName"};
        QStringList lines;
        for (int i = 0; i < 10; ++i)
            lines.append("\t\t\t<" + names[i] + '>' + texts[i] + "</" + names[i] + '>');
        return lines;
    };
    const QStringList expected =
        QStringList{"<?xml version='1.0' encoding='utf-8'?>", "<StudioManage>",
                    "\t<Studio nStudioNum=\"1\" sStudioName=\"Studio B\" nChItemCnt=\"2\">",
                    "\t\t<Strobe nChNum=\"0\" sChName=\"CH-01\" "
                    "sModelName=\"Key &amp; &lt;Rim&gt; &quot;Hair&quot; é\">"} +
        values({"52", "1", "0", "1", "1", "30", "1", "0", "0", "Licht &amp; &lt;Öl&gt; \"a\""}) +
        QStringList{"\t\t</Strobe>",
                    "\t\t<Strobe nChNum=\"9\" sChName=\"CH-10\" sModelName=\"Not define\">"} +
        values({"11", "0", "0", "1", "1", "11", "0", "0", "1", "Not define"}) +
        QStringList{"\t\t</Strobe>", "\t</Studio>", "</StudioManage>"};
    const QByteArray bytes = readFile("Business Memory/Set.xml");
    QCOMPARE(QString::fromUtf8(bytes).split('\n'), expected);
    QCOMPARE(QDir("Business Memory").entryList(QDir::Files | QDir::Hidden), QStringList{"Set.xml"});

    // An independent reader sees the same names and values.
    QXmlStreamReader reader(bytes);
    QStringList seen;
    QString encoding;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartDocument)
            encoding = reader.documentEncoding().toString();
        if (token != QXmlStreamReader::StartElement)
            continue;
        QString entry = reader.name().toString();
        for (const QXmlStreamAttribute& a : reader.attributes())
            entry += ' ' + a.name().toString() + '=' + a.value().toString();
        if (reader.attributes().isEmpty() && reader.name() != QLatin1String("StudioManage"))
            entry += '=' + reader.readElementText();
        seen.append(entry);
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(encoding, QString("utf-8"));
    QCOMPARE(seen.size(), 2 + 2 * 11);
    QCOMPARE(seen[1], QString("Studio nStudioNum=1 sStudioName=Studio B nChItemCnt=2"));
    QCOMPARE(seen[2], "Strobe nChNum=0 sChName=CH-01 sModelName=" + key->sModelName);
    QCOMPARE(seen[3], QString("nFlashValue=52"));
    QCOMPARE(seen[12], "sLightName=" + key->sLightName);
    QCOMPARE(seen[23], QString("sLightName=Not define"));
}

void MemoryFilesTest::saveThenLoadKeepsEveryStoredValue() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    StudioData* studio = model.studios[4].get();
    StrobeData* a = put(studio, 3, " line\r\nbreak\ttab 😀 ");
    a->sLightName = "cr\r lf\n tab\t end";
    a->nFlashValue = kLowestLevel;
    a->nModelValue = kHighestLevel;
    a->nModelMode2 = 1;
    a->bFlashPow = 0;
    put(studio, 7, "")->sLightName = "";
    put(studio, 8)->sLightName = "  ";
    SelectStudio(&model, studio);
    XmlFileContext context{&model};
    ListMemoryFiles(&context);
    QCOMPARE(SaveMemoryFile(&context, "round trip"), 1);
    QCOMPARE(context.pDoc, nullptr);
    QCOMPARE(LoadMemoryFile(&context, "round trip"), 1);
    QCOMPARE(context.pDoc, nullptr);
    QCOMPARE(unitsOf(*model.pMemoryStudio), unitsOf(*studio));
    QCOMPARE(model.pMemoryStudio->UnitOn(3)->sChName, QString("CH-04"));
    QCOMPARE(boxes.texts, QStringList());
}

void MemoryFilesTest::loadsHandWrittenFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QString>("why"); // beside the box, for the status bar
    const QString lamp = "52,0,0,1,1,30,0,0,1 Lamp";
    QTest::newRow("root differs only in case")
        << document("<Studio>" + strobe("nChNum=\"1\"", kTen) + "</Studio>", "studioManage") << 0
        << QStringList() << QString("hand.xml: its root is \"studioManage\", not \"StudioManage\"");
    QTest::newRow("second studio wins per channel")
        << document("<Studio>" + strobe("nChNum=\"1\" sModelName=\"A\"", kTen) +
                    strobe("nChNum=\"3\" sModelName=\"B\"", kTen) + "</Studio><Other>" +
                    strobe("nChNum=\"3\" sModelName=\"C\"", "81,1,1,1,1,81,1,1,1,X") + "</Other>")
        << 1 << QStringList{"1 A " + lamp, "3 C 81,1,1,1,1,81,1,1,1 X"} << QString();
    QTest::newRow("channel 12 skipped") << document("<Studio>" + strobe("nChNum=\"12\"", kTen) +
                                                    strobe("nChNum=\"4\"", kTen) + "</Studio>")
                                        << 1 << QStringList{"4 Not define " + lamp} << QString();
    QTest::newRow("no channel, no model name, names of other slots ignored")
        << document("<Studio nChItemCnt=\"7\">" + strobe("sChName=\"CH-09\"", kTen) + "</Studio>")
        << 1 << QStringList{"0 Not define " + lamp} << QString();
    QTest::newRow("values by position whatever their names")
        << document("<Studio>\n\t<!-- hand -->\n\t" +
                    strobe("nChNum=\"2\"", kTen, "sLightName")
                        .replace("<sLightName>30", "\n\t<?pi x?><sLightName>30") +
                    "</Studio>")
        << 1 << QStringList{"2 Not define " + lamp} << QString();
    QTest::newRow("numbers read leniently")
        << document("<Studio>" + strobe("nChNum=\" +5x\"", " 42abc,x,+1,0001,+0,\t81 z,1\n,0,1,L") +
                    "</Studio>")
        << 1 << QStringList{"5 Not define 42,0,1,1,0,81,1,0,1 L"} << QString();
    QTest::newRow("fewer than ten values fails and keeps earlier units")
        << document("<Studio>" + strobe("nChNum=\"1\"", kTen) +
                    strobe("nChNum=\"2\"", "1,2,3,4,5,6,7,8,9") + strobe("nChNum=\"3\"", kTen) +
                    "</Studio>")
        << 0 << QStringList{"1 Not define " + lamp}
        << QString("hand.xml: CH-03 has 9 of its 10 values");
    QTest::newRow("values past the tenth ignored")
        << document("<Studio>" + strobe("nChNum=\"6\"", kTen + ",77") + "</Studio>") << 1
        << QStringList{"6 Not define " + lamp} << QString();
    QTest::newRow("empty root") << document("") << 1 << QStringList() << QString();
    QTest::newRow("byte-order mark")
        << "\xEF\xBB\xBF" + document("<Studio>" + strobe("sModelName=\"Köpf\"", kTen) + "</Studio>")
        << 1 << QStringList{"0 Köpf " + lamp} << QString();
    QTest::newRow("declared Latin-1")
        << "<?xml version='1.0' encoding='ISO-8859-1'?><StudioManage><Studio>" +
               strobe("sModelName=\"K\xF6pf\"", kTen) + "</Studio></StudioManage>"
        << 1 << QStringList{"0 Köpf " + lamp} << QString();
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray utf16File = utf16(
        QString::fromUtf8(document("<Studio>" + strobe("sModelName=\"Köpf\"", kTen) + "</Studio>")
                              .replace("utf-8", "UTF-16")));
    QTest::newRow("UTF-16") << utf16File << 1 << QStringList{"0 Köpf " + lamp} << QString();
    QTest::newRow("truncated")
        << document("<Studio>" + strobe("nChNum=\"1\"", kTen) + "</Studio>").chopped(20) << 0
        << QStringList() << QString("hand.xml: line 2: Premature end of document.");
    QTest::newRow("empty file") << QByteArray() << 0 << QStringList()
                                << QString("hand.xml: line 1: Premature end of document.");
    QTest::newRow("attribute name XML forbids")
        << document("<Studio>" + strobe("n~ChNum=\"3\"", kTen) + "</Studio>") << 0 << QStringList()
        << QString("hand.xml: line 2: \"n~ChNum\" is no attribute name");
    const QByteArray deepName = QByteArray("<b>").repeated(lumadesk::kMaxXmlDepth) + "Lamp" +
                                QByteArray("</b>").repeated(lumadesk::kMaxXmlDepth);
    QTest::newRow("nested deeper than any real file")
        << document("<Studio>" + strobe("", kTen).replace("Lamp", deepName) + "</Studio>") << 0
        << QStringList() << QString("hand.xml: line 2: nested deeper than 32");
    QTest::newRow("light name of white space only")
        << document("<Studio>" + strobe("", "52,0,0,1,1,30,0,0,1, \t ") + "</Studio>") << 1
        << QStringList{"0 Not define 52,0,0,1,1,30,0,0,1  \t "} << QString();
    const QByteArray one = document("<Studio>" + strobe("", kTen) + "</Studio>");
    QTest::newRow("at the size limit") << paddedTo(one, lumadesk::kMaxXmlFileBytes) << 1
                                       << QStringList{"0 Not define " + lamp} << QString();
    QTest::newRow("past the size limit")
        << paddedTo(one, lumadesk::kMaxXmlFileBytes + 1) << 0 << QStringList()
        << QString("hand.xml: larger than 256 KiB");

    // A value outside its field's range would go on the wire as its low byte: 255 starts a frame.
    const QList<QByteArray> ten = kTen.split(',');
    const char* const names[] = {"nFlashValue",  "bFlashCell",  "bFlashSnd",
                                 "bFlashCharge", "bFlashPow",   "nModelValue",
                                 "nModelMode1",  "nModelMode2", "bModelPow"};
    for (int field = 0; field < 9; ++field) {
        for (const QByteArray& bad : {QByteArray("255"), QByteArray("-1"),
                                      QByteArray(field == 0 || field == 5 ? "82" : "2")}) {
            QList<QByteArray> values = ten;
            values[field] = bad;
            QTest::addRow("value %d is %s", field + 1, bad.constData())
                << document("<Studio>" + strobe("", values.join(',')) + "</Studio>") << 0
                << QStringList()
                << QString("hand.xml: CH-01 %1 %2 is out of range %3")
                       .arg(names[field], bad, field == 0 || field == 5 ? "11-81" : "0-1");
        }
    }

    auto attributes = [](int count, int from = 0) {
        QByteArray out;
        for (int i = from; i < from + count; ++i)
            out += " a" + QByteArray::number(i) + "=\"\"";
        return out;
    };
    QTest::newRow("sixteen attributes")
        << document("<Studio>" + strobe("nChNum=\"2\"" + attributes(15), kTen) + "</Studio>") << 1
        << QStringList{"2 Not define " + lamp} << QString();
    QTest::newRow("seventeen attributes")
        << document("<Studio>" + strobe("nChNum=\"2\"" + attributes(16), kTen) + "</Studio>") << 0
        << QStringList() << QString("hand.xml: a tag holds more than 16 attributes");
    QTest::newRow("20,000 attributes")
        << document("<Studio" + attributes(20000) + ">" + strobe("", kTen) + "</Studio>") << 0
        << QStringList() << QString("hand.xml: a tag holds more than 16 attributes");
    QTest::newRow("seventeen attributes from an entity")
        << "<?xml version=\"1.0\"?><!DOCTYPE StudioManage [<!ENTITY s '<Studio" +
               attributes(17).replace('"', "&#34;") + "/>'>]><StudioManage>&s;</StudioManage>"
        << 0 << QStringList() << QString("hand.xml: line 1: a tag holds more than 16 attributes");
}

void MemoryFilesTest::loadsHandWrittenFiles() {
    QFETCH(QByteArray, file);
    QFETCH(int, result);
    QFETCH(QStringList, units);
    QFETCH(QString, why);
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    QVERIFY(QDir().mkdir("Business Memory"));
    QVERIFY(writeFile("Business Memory/hand.xml", file));
    StudioModel model;
    XmlFileContext context{&model};
    QStringList told;
    context.loadProblem = [&told](const QString& problem) { told << problem; };
    QCOMPARE(LoadMemoryFile(&context, "hand"), result);
    QCOMPARE(unitsOf(*model.pMemoryStudio), units);
    QCOMPARE(boxes.texts, result ? QStringList() : QStringList{"Fail to open file"});
    QCOMPARE(told, QStringList{why});
}

void MemoryFilesTest::loadFailsWhereFileCannotBeRead() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    XmlFileContext context{&model};
    QStringList told;
    context.loadProblem = [&told](const QString& problem) { told << problem; };
    QCOMPARE(LoadMemoryFile(&context, "missing"), 0); // no folder at all
    QVERIFY(writeFile("Business Memory", "a file where the folder belongs"));
    QCOMPARE(LoadMemoryFile(&context, "missing"), 0);
    QVERIFY(QFile::remove("Business Memory"));
    QVERIFY(QDir().mkpath("Business Memory/dir.xml"));
    QCOMPARE(LoadMemoryFile(&context, "dir"), 0);
    QVERIFY(QFile::link("/dev/zero", "Business Memory/zero.xml"));
    QCOMPARE(LoadMemoryFile(&context, "zero"), 0);
    QCOMPARE(mkfifo("Business Memory/fifo.xml", 0600), 0); // no writer: an open would wait
    QCOMPARE(LoadMemoryFile(&context, "fifo"), 0);
    QCOMPARE(boxes.texts, QStringList(5, QString("Fail to open file")));
    QCOMPARE(told, (QStringList{"missing.xml: missing", "missing.xml: missing",
                                "dir.xml: not a regular file", "zero.xml: a link, not a file",
                                "fifo.xml: not a regular file"}));
}

void MemoryFilesTest::previewSummarisesUnitsInCrLfLines() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    QVERIFY(QDir().mkdir("Business Memory"));
    QVERIFY(writeFile("Business Memory/two.xml",
                      document("<Studio>" + strobe("nChNum=\"3\"", "25,0,0,1,1,30,0,0,1,L") +
                               strobe("nChNum=\"0\"", "52,0,0,1,1,60,0,0,0,L") + "</Studio>")));
    StudioModel model;
    put(model.pMemoryStudio.get(), 7); // from an earlier preview
    XmlFileContext context{&model};
    QCOMPARE(PreviewMemoryFile(&context, "two"),
             QString("File info :\r\nCH-01 Flash 5.2 Model OFF\r\nCH-04 Flash 2.5 Model 3.0\r\n"));
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 2);
    QCOMPARE(PreviewMemoryFile(&context, "gone"), QString());
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 0);
    // Refused part way: the first unit was read, but nothing of the file stays to be applied.
    QVERIFY(writeFile("Business Memory/cut.xml",
                      document("<Studio>" + strobe("nChNum=\"1\"", kTen) +
                               strobe("nChNum=\"2\"", "1,2,3") + "</Studio>")));
    QCOMPARE(PreviewMemoryFile(&context, "cut"), QString());
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 0);
    QCOMPARE(boxes.texts, QStringList(2, "Fail to open file"));
}

void MemoryFilesTest::applyCopiesPreviewAndSendsSettingsInSlotOrder() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    QVERIFY(QDir().mkdir("Business Memory"));
    QVERIFY(writeFile(
        "Business Memory/two.xml",
        document("<Studio>" + strobe("nChNum=\"2\" sModelName=\"Key\"", "52,1,0,1,1,30,1,0,0,Top") +
                 "</Studio>")));
    PortOnPty link;
    QVERIFY(link.open());
    CZbProtocol protocol(&link.port);
    StudioModel model;
    StudioData* studio = model.studios[0].get();
    put(studio, 5, "Fill")->nFlashValue = 40;
    StrobeData* two = put(studio, 2, "Old");
    two->bChSelect = 1;
    two->nHeatLevel = 33;
    XmlFileContext context{&model};

    QVERIFY(!PreviewMemoryFile(&context, "two").isEmpty());
    QCOMPARE(ApplyMemoryStudio(&model, &protocol), 0); // no current studio yet
    QCOMPARE(unitsOf(*studio)[0], QString("2 Old 11,0,0,1,1,11,0,0,1 Not define"));
    SelectStudio(&model, studio);
    QCOMPARE(ApplyMemoryStudio(&model, &protocol), 1);
    QCOMPARE(unitsOf(*studio), (QStringList{"2 Key 52,1,0,1,1,30,1,0,0 Top",
                                            "5 Fill 40,0,0,1,1,11,0,0,1 Not define"}));
    QCOMPARE(two->bChSelect, 1);
    QCOMPARE(two->nHeatLevel, 33);
    // FF 0E 01, the unit's own mask, power, flash, model, cell, sound, mode 1, mode 2, lamp, 00.
    const QByteArray expected = QByteArray::fromHex("ff0e01000401341e010001000000"
                                                    "ff0e01010001280b000000000100");
    QCOMPARE(link.dongle.readExactly(int(expected.size()), 2000).toHex(' '), expected.toHex(' '));
    QCOMPARE(link.dongle.readFor(50), QByteArray());
    QCOMPARE(boxes.texts, QStringList());
}

void MemoryFilesTest::listShowsStoredNamesSortedAndCreatesFolder() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    ListSink list;
    list.append("kept");
    XmlFileContext context{nullptr, nullptr, &list};
    QVERIFY(writeFile("Business Memory", "")); // a file where the folder belongs
    ListMemoryFiles(&context);
    QCOMPARE(list.names, QStringList{"kept"});
    QVERIFY(QFile::remove("Business Memory"));
    ListMemoryFiles(&context);
    QVERIFY(QFileInfo("Business Memory").isDir());
    QCOMPARE(list.names, QStringList{"kept"});

    for (const char* file : {"b.xml", "a.xml", "A.xml", ".xml", "x.y.xml", "c.XML", "notes.txt"})
        QVERIFY(writeFile(QString("Business Memory/") + file, ""));
    QVERIFY(QDir().mkdir("Business Memory/folder.xml"));
    ListMemoryFiles(&context);
    QCOMPARE(list.names, (QStringList{"kept", "", "A", "a", "b", "x.y"}));
    QCOMPARE(boxes.texts, QStringList());
}

void MemoryFilesTest::emptyNameIsTheFileDotXml() {
    WorkingDirectory dir;
    StudioModel model;
    put(model.studios[2].get(), 4);
    SelectStudio(&model, model.studios[2].get());
    ListSink list;
    list.append("stale");
    XmlFileContext context{&model, nullptr, &list};
    ListMemoryFiles(&context);
    QCOMPARE(SaveMemoryFileAndRelist(&context, ""), 1);
    QVERIFY(QFileInfo("Business Memory/.xml").isFile());
    QCOMPARE(list.names, QStringList{""});
    QVERIFY(!PreviewMemoryFile(&context, "").isEmpty());
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 1);
}

void MemoryFilesTest::saveWithoutUnitsOrCurrentStudioWritesNothing() {
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    put(model.studios[0].get(), 1);
    ListSink list;
    list.append("stale");
    XmlFileContext context{&model, nullptr, &list};
    QDir().mkdir("Business Memory");
    QCOMPARE(SaveMemoryFileAndRelist(&context, "none"), 0);
    QCOMPARE(boxes.texts, QStringList());
    QCOMPARE(list.names, QStringList{"stale"});
    SelectStudio(&model, model.studios[3].get());
    QCOMPARE(SaveMemoryFileAndRelist(&context, "empty"), 1);
    QCOMPARE(boxes.texts, QStringList{"No channel item."});
    QCOMPARE(list.names, QStringList()); // rebuilt as after a save
    QCOMPARE(treeOf("."), QStringList{"Business Memory dir"});
}

void MemoryFilesTest::failedSaveKeepsEarlierFile_data() {
    QTest::addColumn<QString>("cause");
    QTest::newRow("write fails part way") << "limit";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("name XML cannot hold") << "character";
}

void MemoryFilesTest::failedSaveKeepsEarlierFile() {
    QFETCH(QString, cause);
    if (cause == "read-only" && geteuid() == 0)
        QSKIP("permission bits do not stop root; the size limit row covers a failing write");
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    StudioData* studio = model.studios[0].get();
    put(studio, 0, "earlier");
    SelectStudio(&model, studio);
    ListSink list;
    XmlFileContext context{&model, nullptr, &list};
    ListMemoryFiles(&context);
    QCOMPARE(SaveMemoryFile(&context, "set"), 1);
    const QByteArray earlier = readFile("Business Memory/set.xml");
    const QStringList tree = treeOf(".");

    for (int ch = 0; ch < kChannelCount; ++ch)
        put(studio, ch, "later");
    int saved = -1;
    if (cause == "limit") {
        FileSizeLimit limit(rlim_t(earlier.size()) + 100);
        saved = SaveMemoryFileAndRelist(&context, "set");
    } else if (cause == "read-only") {
        QFile::setPermissions("Business Memory", QFile::ReadOwner | QFile::ExeOwner);
        saved = SaveMemoryFileAndRelist(&context, "set");
        QFile::setPermissions("Business Memory",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else {
        studio->UnitOn(9)->sLightName = QString("bell") + QChar(7);
        saved = SaveMemoryFileAndRelist(&context, "set");
    }
    QCOMPARE(saved, 0);
    QCOMPARE(boxes.texts, QStringList{"Fail to save file"});
    QCOMPARE(readFile("Business Memory/set.xml"), earlier);
    QCOMPARE(treeOf("."), tree);         // no temporary file left behind
    QCOMPARE(list.names, QStringList()); // not rebuilt after a failure
}

void MemoryFilesTest::namesNeverReachOutsideFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << "../outside";
    QTest::newRow("parent, backslash") << "..\\outside";
    QTest::newRow("subfolder") << "sub/inside";
    QTest::newRow("down and back up") << "sub/../../outside";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("NUL") << QString("inside") + QChar(0) + "/../../outside";
    QTest::newRow("link to a file outside") << "link";
    QTest::newRow("link to nothing") << "nowhere";
    QTest::newRow("FIFO") << "fifo";
}

void MemoryFilesTest::namesNeverReachOutsideFolder() {
    QFETCH(QString, name);
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    put(model.studios[0].get(), 0);
    SelectStudio(&model, model.studios[0].get());
    XmlFileContext context{&model};
    ListMemoryFiles(&context);
    QVERIFY(QDir().mkdir("Business Memory/sub"));
    QCOMPARE(SaveMemoryFile(&context, "inside"), 1);
    QVERIFY(QFile::copy("Business Memory/inside.xml", "outside.xml"));
    QVERIFY(QFile::copy("Business Memory/inside.xml", "Business Memory/sub/inside.xml"));
    // Only regular files of the folder are set-ups: a write through a link lands outside.
    QVERIFY(QFile::link("../outside.xml", "Business Memory/link.xml"));
    QVERIFY(QFile::link("../nowhere.xml", "Business Memory/nowhere.xml"));
    QCOMPARE(mkfifo("Business Memory/fifo.xml", 0600), 0);
    put(model.studios[0].get(), 5); // a write anywhere would change a size
    const QStringList tree = treeOf(".");

    QCOMPARE(SaveMemoryFile(&context, name), 0);
    QCOMPARE(treeOf("."), tree);
    QCOMPARE(LoadMemoryFile(&context, name), 0);
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 0);
    QCOMPARE(boxes.texts, (QStringList{"Fail to save file", "Fail to open file"}));
}

void MemoryFilesTest::saveRefusesWhatWouldNotShowOrLoad_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("flash");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("why");        // below "Fail to save file"; empty: saved
    QTest::addColumn<QStringList>("listed"); // "é" was saved in one piece before
    const QString e = QString::fromUtf8("\u00e9");
    const QString hidden = "The name holds an invisible or text-direction control character "
                           "(U+%1), so it would not show as typed.";
    QTest::newRow("e and its accent are one file")
        << QString::fromUtf8("e\u0301") << 45 << 1 << QString() << QStringList{e};
    QTest::newRow("right-to-left override")
        << QString::fromUtf8("key\u202Elmx") << 45 << 1 << hidden.arg("202E") << QStringList{e};
    QTest::newRow("switch held as 7 is saved as on")
        << "set" << 45 << 7 << QString() << QStringList{e, "set"};
    QTest::newRow("level never heard")
        << "set" << 0 << 1 << "CH-04 holds flash level 0.0, outside 1.1 to 8.1." << QStringList{e};
    QTest::newRow("level a report brought")
        << "set" << 255 << 1 << "CH-04 holds flash level 25.5, outside 1.1 to 8.1."
        << QStringList{e};
    // Its file name is as long as a folder takes (255 bytes); the temporary name is cut to fit.
    const QString longest = "a" + e.repeated(125);
    QTest::newRow("longest name") << longest << 45 << 1 << QString() << QStringList{e, longest};
}

void MemoryFilesTest::saveRefusesWhatWouldNotShowOrLoad() {
    QFETCH(QString, name);
    QFETCH(QString, why);
    QFETCH(QStringList, listed);
    WorkingDirectory dir;
    MessageBoxRecorder boxes;
    StudioModel model;
    StrobeData* unit = put(model.studios[0].get(), 3);
    SelectStudio(&model, model.studios[0].get());
    ListSink list;
    XmlFileContext context{&model, nullptr, &list};
    ListMemoryFiles(&context);
    QCOMPARE(SaveMemoryFile(&context, QString::fromUtf8("\u00e9")), 1);
    QFETCH(int, flash);
    QFETCH(int, cell);
    unit->nFlashValue = flash;
    unit->bFlashCell = cell;
    QCOMPARE(SaveMemoryFileAndRelist(&context, name), why.isEmpty() ? 1 : 0);
    QCOMPARE(boxes.texts,
             why.isEmpty() ? QStringList() : QStringList{"Fail to save file\n\n" + why});
    list.clear();
    ListMemoryFiles(&context);
    QCOMPARE(QSet<QString>(list.names.begin(), list.names.end()),
             QSet<QString>(listed.begin(), listed.end()));
    if (why.isEmpty()) {
        QCOMPARE(LoadMemoryFile(&context, name.normalized(QString::NormalizationForm_C)), 1);
        QCOMPARE(model.pMemoryStudio->UnitOn(3)->bFlashCell, 1);
    }
}

// Only what our saves leave is ever removed: hidden ".NAME.lumadesk-XXXXXX" files a minute old
// that no save holds. Files of the user's own, whatever their names, stay.
void MemoryFilesTest::onlyUnheldLeftoversOfOurSavesAreRemovedWhenListed() {
    WorkingDirectory dir;
    QVERIFY(QDir().mkdir("Business Memory"));
    QVERIFY(QFile::link("keep.xml", "Business Memory/link.xml")); // never listed either
    const QDateTime old = QDateTime::currentDateTime().addSecs(-61);
    const QString young = ".keep.xml.lumadesk-young1"; // a save just begun
    for (const QString& name :
         QStringList{"keep.xml", "evening.xml.backup", "evening.xml.ABC123",
                     ".evening.xml.lumadesk-Ab12Cd", ".evening.xml.lumadesk-Held12", young,
                     ".evening.xml.lumadesk-Ab-2Cd", "evening.xml.lumadesk-Ab12Cd"}) {
        QFile file("Business Memory/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (name != young)
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    // A slow save still writing holds its file's lock, however old the file is.
    const int held = ::open("Business Memory/.evening.xml.lumadesk-Held12", O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
    const auto release = qScopeGuard([held] { ::close(held); });

    ListSink list;
    XmlFileContext context{nullptr, nullptr, &list};
    ListMemoryFiles(&context);
    QCOMPARE(list.names, QStringList{"keep"});
    QCOMPARE(QDir("Business Memory").entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{".evening.xml.lumadesk-Ab-2Cd", ".evening.xml.lumadesk-Held12", young,
                          "evening.xml.ABC123", "evening.xml.backup", "evening.xml.lumadesk-Ab12Cd",
                          "keep.xml", "link.xml"}));
}

void MemoryFilesTest::parsesDecimalsLenientlyAndClamps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("white space, digits, letters") << " \t\r\n42abc" << 42;
    QTest::newRow("letter first") << "x1" << 0;
    QTest::newRow("sign alone") << "-" << 0;
    QTest::newRow("plus") << "+0012" << 12;
    QTest::newRow("space after sign") << "- 5" << 0;
    QTest::newRow("largest") << "2147483647" << INT_MAX;
    QTest::newRow("one beyond largest") << "2147483648" << INT_MAX;
    QTest::newRow("smallest") << "-2147483648" << INT_MIN;
    QTest::newRow("one beyond smallest") << "-2147483649" << INT_MIN;
    QTest::newRow("many digits") << QString(40, '9') << INT_MAX;
    QTest::newRow("other script digits") << QString::fromUtf8("٣") << 0;
}

void MemoryFilesTest::parsesDecimalsLenientlyAndClamps() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ParseDecimal(text), value);
}

void MemoryFilesTest::xmlAddChildReportsRefusal() {
    MessageBoxRecorder boxes;
    QDomDocument document;
    const QDomElement child = document.createElement("child");
    QTest::ignoreMessage(QtWarningMsg, "Calling appendChild() on a null node does nothing.");
    QCOMPARE(XmlAddChild(QDomNode(), child), 0);
    QCOMPARE(boxes.texts, QStringList{"XmlAddChild Failure"});
    QCOMPARE(XmlAddChild(document, child), 1);
    QCOMPARE(boxes.texts.size(), 1);
}

QTEST_GUILESS_MAIN(MemoryFilesTest)
#include "tst_memoryfiles.moc"
