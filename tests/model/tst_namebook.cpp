#include "model/BusinessMemory.h"
#include "model/HeadRole.h"
#include "model/NameBook.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "support/WorkingDirectory.h"

#include <QSettings>
#include <QtTest>

using namespace lumadesk;

// What the operator called the heads and studios outlives a scan, a restart and a set-up.
class NameBookTest : public QObject {
    Q_OBJECT
private slots:
    void namesComeBackAfterAScanAndAtTheNextStart();
    void setUpCarriesRolesAndWritesNoRoleWhereThereIsNone();
};

namespace {

StrobeData* reportedHead(StudioModel& model, int studio, int channel) {
    StrobeData* unit = PlaceStrobe(&model, studio, channel, std::make_unique<StrobeData>());
    unit->nFlashValue = 50;
    unit->nModelValue = 50;
    return unit;
}

void rename(StudioModel& model, StrobeData& unit, const QString& name, HeadRole role) {
    HeadEdit edit(model.news, unit);
    unit.sModelName = name;
    unit.nRole = int(role);
}

} // namespace

void NameBookTest::namesComeBackAfterAScanAndAtTheNextStart() {
    WorkingDirectory cwd;
    const QString file = cwd.filePath(QStringLiteral("LumaDesk.conf"));
    {
        QSettings settings(file, QSettings::IniFormat);
        StudioModel model;
        NameBook book(model, settings);
        StudioData* b = model.studios[1].get();
        rename(model, *reportedHead(model, 1, 0), QStringLiteral("Key"), HeadRole::Key);
        rename(model, *reportedHead(model, 1, 3), QStringLiteral("Strip"), HeadRole::Rim);
        QVERIFY(RenameStudio(&model, b, QStringLiteral("Cyclorama")));
        QVERIFY(SetKeyChannel(&model, b, 3));
        QVERIFY(!RenameStudio(&model, b, QStringLiteral("  "))); // never a blank studio

        ClearStudio(&model, b); // a rescan of the same studio
        const StrobeData* again = reportedHead(model, 1, 0);
        QCOMPARE(again->sModelName, QStringLiteral("Key"));
        QCOMPARE(RoleOf(*again), HeadRole::Key);
        // A head never named stays unnamed; another studio's channel is its own.
        QCOMPARE(reportedHead(model, 1, 5)->sModelName, StrobeData::unnamedText());
        QCOMPARE(reportedHead(model, 2, 0)->sModelName, StrobeData::unnamedText());
    }
    QSettings settings(file, QSettings::IniFormat); // the next start
    StudioModel model;
    NameBook book(model, settings);
    QCOMPARE(model.studios[1]->sStudioName, QStringLiteral("Cyclorama"));
    QCOMPARE(model.studios[0]->sStudioName, QStringLiteral("Studio A"));
    QCOMPARE(model.studios[1]->nKeyChannel, 3);
    const StrobeData* strip = reportedHead(model, 1, 3);
    QCOMPARE(strip->sModelName, QStringLiteral("Strip"));
    QCOMPARE(RoleOf(*strip), HeadRole::Rim);
    QCOMPARE(KeyUnitOf(model.studios[1].get()), strip);
}

void NameBookTest::setUpCarriesRolesAndWritesNoRoleWhereThereIsNone() {
    WorkingDirectory cwd;
    QDir().mkdir(QString::fromLatin1(kMemoryFolder));
    StudioModel model;
    XmlFileContext files{&model, nullptr, nullptr};
    StrobeData* key = reportedHead(model, 0, 0);
    key->nRole = int(HeadRole::Key);
    reportedHead(model, 0, 1);
    SelectStudio(&model, model.studios[0].get());
    QCOMPARE(SaveMemoryFile(&files, QStringLiteral("Client - look")), 1);

    const QByteArray text = readFile(MemoryFilePath(QStringLiteral("Client - look")));
    QCOMPARE(text.count("sRole="), 1);
    QVERIFY(text.contains("sModelName=\"Not define\" sRole=\"Key\">"));

    QVERIFY(!PreviewMemoryFile(&files, QStringLiteral("Client - look")).isEmpty());
    QCOMPARE(RoleOf(*model.pMemoryStudio->UnitOn(0)), HeadRole::Key);
    QCOMPARE(RoleOf(*model.pMemoryStudio->UnitOn(1)), HeadRole::None);
}

QTEST_GUILESS_MAIN(NameBookTest)
#include "tst_namebook.moc"
