#include "model/HeadRole.h"
#include "model/Stops.h"
#include "model/StudioModel.h"

#include <QtTest>

using namespace lumadesk;

// The photographer's numbers: stops from the key, the pair's ratio, and what is typed back.
class StopsTest : public QObject {
    Q_OBJECT
private slots:
    void measuresEachHeadFromTheKey_data();
    void measuresEachHeadFromTheKey();
    void typedDifferencesAndRatiosGiveLevels_data();
    void typedDifferencesAndRatiosGiveLevels();
    void keyIsTheChosenHeadElseTheFirstKeyRole();
};

namespace {

StrobeData* head(StudioModel& model, int channel, int level, HeadRole role, int on = 1) {
    StrobeData* unit = PlaceStrobe(&model, 0, channel, std::make_unique<StrobeData>());
    unit->nFlashValue = level;
    unit->bFlashPow = on;
    unit->nRole = int(role);
    return unit;
}

} // namespace

void StopsTest::measuresEachHeadFromTheKey_data() {
    QTest::addColumn<int>("keyLevel");
    QTest::addColumn<int>("keyOn");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("on");
    QTest::addColumn<double>("perStep");
    QTest::addColumn<QString>("stops");
    QTest::addColumn<QString>("ratio");
    QTest::addColumn<QString>("spoken");
    const QString minus(QChar(0x2212));
    QTest::newRow("fill 1.5 under") << 65 << 1 << 50 << 1 << 1.0 << minus + "1.5"
                                    << "1:2.8"
                                    << "1.5 stops under Key";
    QTest::newRow("hair 1 over") << 50 << 1 << 60 << 1 << 1.0 << "+1.0"
                                 << "2:1"
                                 << "1 stop over Key";
    QTest::newRow("level") << 50 << 1 << 50 << 1 << 1.0 << "0.0"
                           << "1:1"
                           << "level with Key";
    QTest::newRow("two under") << 81 << 1 << 61 << 1 << 1.0 << minus + "2.0"
                               << "1:4"
                               << "2 stops under Key";
    QTest::newRow("half-stop scale") << 40 << 1 << 70 << 1 << 0.5 << "+1.5"
                                     << "2.8:1"
                                     << "1.5 stops over Key";
    QTest::newRow("head off") << 50 << 1 << 40 << 0 << 1.0 << "\u2014"
                              << "\u2014"
                              << "";
    QTest::newRow("key off") << 50 << 0 << 40 << 1 << 1.0 << "\u2014"
                             << "\u2014"
                             << "";
    QTest::newRow("level above 8.1") << 50 << 1 << 95 << 1 << 1.0 << "\u2014"
                                     << "\u2014"
                                     << "";
    QTest::newRow("key below 1.1") << 5 << 1 << 40 << 1 << 1.0 << "\u2014"
                                   << "\u2014"
                                   << "";
}

void StopsTest::measuresEachHeadFromTheKey() {
    QFETCH(int, keyLevel);
    QFETCH(int, keyOn);
    QFETCH(int, level);
    QFETCH(int, on);
    QFETCH(double, perStep);
    StudioModel model;
    head(model, 0, keyLevel, HeadRole::Key, keyOn);
    const StrobeData* fill = head(model, 1, level, HeadRole::Fill, on);
    const auto stops = StopsFromKey(model.studios[0].get(), *fill, perStep);
    QTEST(StopsText(stops), "stops");
    QTEST(RatioText(stops), "ratio");
    QTEST(StopsSpoken(stops, QStringLiteral("Key")), "spoken");
}

void StopsTest::typedDifferencesAndRatiosGiveLevels_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("keyLevel");
    QTest::addColumn<int>("level"); // 0: refused
    QTest::newRow("minus sign") << QString(QChar(0x2212)) + "1.5" << 65 << 50;
    QTest::newRow("hyphen") << "-1.5" << 65 << 50;
    QTest::newRow("plus") << "+1" << 50 << 60;
    QTest::newRow("ratio under") << "1:2.8" << 65 << 50;
    QTest::newRow("ratio over") << "2:1" << 50 << 60;
    QTest::newRow("beyond 8.1") << "+4" << 50 << 0;
    QTest::newRow("below 1.1") << "-4.5" << 50 << 0;
    QTest::newRow("words") << "one" << 50 << 0;
    QTest::newRow("zero ratio") << "0:1" << 50 << 0;
    QTest::newRow("three parts") << "1:2:3" << 50 << 0;
    QTest::newRow("huge") << "1e300" << 50 << 0;
    QTest::newRow("empty") << "" << 50 << 0;
}

void StopsTest::typedDifferencesAndRatiosGiveLevels() {
    QFETCH(QString, typed);
    QFETCH(int, keyLevel);
    const auto stops = ParseStops(typed);
    const auto level = stops ? LevelForStops(keyLevel, *stops, 1.0) : std::nullopt;
    QTEST(level.value_or(0), "level");
}

void StopsTest::keyIsTheChosenHeadElseTheFirstKeyRole() {
    StudioModel model;
    StudioData* studio = model.studios[0].get();
    QCOMPARE(KeyUnitOf(studio), nullptr);
    head(model, 1, 50, HeadRole::Fill);
    StrobeData* firstKey = head(model, 4, 50, HeadRole::Key);
    head(model, 6, 50, HeadRole::Key);
    QCOMPARE(KeyUnitOf(studio), firstKey);

    QSignalSpy told(&model.news, &ModelNews::keyChanged);
    QVERIFY(SetKeyChannel(&model, studio, 1));
    QCOMPARE(KeyUnitOf(studio), studio->UnitOn(1));
    QCOMPARE(told.count(), 1);
    QVERIFY(!SetKeyChannel(&model, studio, 1)); // nothing changed, nothing told
    QVERIFY(SetKeyChannel(&model, studio, 9));  // no head there: the first Key again
    QCOMPARE(KeyUnitOf(studio), firstKey);
    QCOMPARE(HeadLabel(*firstKey), QStringLiteral("Key"));
    firstKey->sModelName = QStringLiteral("Softbox");
    QCOMPARE(HeadLabel(*firstKey), QStringLiteral("Softbox (Key)"));
}

QTEST_GUILESS_MAIN(StopsTest)
#include "tst_stops.moc"
