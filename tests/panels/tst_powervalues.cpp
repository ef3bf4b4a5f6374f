#include "model/LinkedValues.h"
#include "model/PowerValues.h"

#include <QtTest>

using namespace lumadesk;

namespace {

enum Rule {
    Step,
    OffsetStep,
    Follow,
    FollowMove,
    OffsetFollow,
    OffsetFollowMove,
    SliderMove,
    Apply
};

int run(Rule rule, int value, int change) {
    switch (rule) {
    case Step:
        return StepLevel(value, change);
    case OffsetStep:
        return StepOffset(value, change);
    case Follow:
        return FollowLevelStep(value, change);
    case FollowMove:
        return FollowLevelMove(value, change);
    case OffsetFollow:
        return FollowOffsetStep(value, change);
    case OffsetFollowMove:
        return FollowOffsetMove(value, change);
    case SliderMove:
        return MoveOffsetSlider(value, change);
    case Apply:
        return ApplyOffsetChange(value, change);
    }
    return 0;
}

} // namespace

class PowerValuesTest : public QObject {
    Q_OBJECT
private slots:
    void formatsLevelsAndOffsets_data();
    void formatsLevelsAndOffsets();
    void stepsFollowsAndClampsOnlyWhereTheRulesSay_data();
    void stepsFollowsAndClampsOnlyWhereTheRulesSay();
    void linkedPairMovesWhatTheRulesSay_data();
    void linkedPairMovesWhatTheRulesSay();
    void readsTypedTextAsTenths_data();
    void readsTypedTextAsTenths();
};

void PowerValuesTest::formatsLevelsAndOffsets_data() {
    QTest::addColumn<bool>("offset");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("level 11") << false << 11 << "1.1";
    QTest::newRow("level 81") << false << 81 << "8.1";
    QTest::newRow("level 45") << false << 45 << "4.5";
    QTest::newRow("level 0") << false << 0 << "0.0";
    QTest::newRow("level 100") << false << 100 << "10.0";
    QTest::newRow("offset 0") << true << 0 << "0.0";
    QTest::newRow("offset -1") << true << -1 << "-0.1";
    QTest::newRow("offset -5") << true << -5 << "-0.5";
    QTest::newRow("offset -10") << true << -10 << "-1.0";
    QTest::newRow("offset -81") << true << -81 << "-8.1";
    QTest::newRow("offset 81") << true << 81 << "8.1";
}

void PowerValuesTest::formatsLevelsAndOffsets() {
    QFETCH(bool, offset);
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(offset ? FormatPowerOffset(value) : FormatPowerLevel(value), text);
}

void PowerValuesTest::stepsFollowsAndClampsOnlyWhereTheRulesSay_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("change"); // a spin's pending change (negative up) or a delta
    QTest::addColumn<int>("result");
    QTest::newRow("81 up stays") << int(Step) << 81 << -1 << 81;
    QTest::newRow("11 down stays") << int(Step) << 11 << 1 << 11;
    QTest::newRow("80 up") << int(Step) << 80 << -1 << 81;
    QTest::newRow("reported 5 steps up") << int(Step) << 5 << -1 << 6;
    QTest::newRow("no change") << int(Step) << 40 << 0 << 40;
    QTest::newRow("offset 81 up stays") << int(OffsetStep) << 81 << -1 << 81;
    QTest::newRow("offset -80 down") << int(OffsetStep) << -80 << 1 << -81;
    QTest::newRow("offset -81 down stays") << int(OffsetStep) << -81 << 1 << -81;
    QTest::newRow("follower 81 up") << int(Follow) << 81 << -1 << 81;
    QTest::newRow("follower 5 up not lifted") << int(Follow) << 5 << -1 << 6;
    QTest::newRow("follower 5 down lifted") << int(Follow) << 5 << 1 << 11;
    QTest::newRow("follower 60 moved 30") << int(FollowMove) << 60 << 30 << 81;
    QTest::newRow("follower 20 moved -9") << int(FollowMove) << 20 << -9 << 11;
    QTest::newRow("follower 20 moved -8") << int(FollowMove) << 20 << -8 << 12;
    QTest::newRow("offset follower 80 up") << int(OffsetFollow) << 80 << -1 << 81;
    QTest::newRow("offset follower -80 down") << int(OffsetFollow) << -80 << 1 << -81;
    QTest::newRow("offset follower -79 down") << int(OffsetFollow) << -79 << 1 << -80;
    QTest::newRow("offset follower moved past low") << int(OffsetFollowMove) << -70 << -20 << -81;
    QTest::newRow("offset follower moved past high") << int(OffsetFollowMove) << 70 << 20 << 81;
    QTest::newRow("slider at centre moved") << int(SliderMove) << 82 << 5 << 87;
    QTest::newRow("slider below 1") << int(SliderMove) << 10 << -30 << 1;
    QTest::newRow("slider above 163") << int(SliderMove) << 160 << 10 << 163;
    QTest::newRow("apply +10 to 75") << int(Apply) << 75 << 10 << 81;
    QTest::newRow("apply -20 to 25") << int(Apply) << 25 << -20 << 11;
    QTest::newRow("apply +5 to 0") << int(Apply) << 0 << 5 << 11;
    QTest::newRow("apply +5 to 40") << int(Apply) << 40 << 5 << 45;
}

void PowerValuesTest::stepsFollowsAndClampsOnlyWhereTheRulesSay() {
    QFETCH(int, rule);
    QFETCH(int, value);
    QFETCH(int, change);
    QFETCH(int, result);
    QCOMPARE(run(Rule(rule), value, change), result);
    QCOMPARE(OffsetSliderPosition(-81), 1);
    QCOMPARE(OffsetSliderPosition(81), 163);
    QCOMPARE(OffsetOfSliderPosition(82), 0);
}

// One pair, both panels' cases: a spin click clamps the follower on one side, a slider on both;
// an unlinked follower stays; a driver at its end moves nothing.
void PowerValuesTest::linkedPairMovesWhatTheRulesSay_data() {
    QTest::addColumn<bool>("offsets");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<bool>("slider"); // else a spin click
    QTest::addColumn<int>("input");   // the spin's change (negative up) or the slider's place
    QTest::addColumn<int>("flash");   // flash drives, from 50, model from 80 (offsets 0 and 80)
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("modelMoved");
    QTest::newRow("level up, unlinked") << false << false << false << -1 << 51 << 80 << false;
    QTest::newRow("level up, follower to 81") << false << true << false << -1 << 51 << 81 << true;
    QTest::newRow("level slider, follower clamped")
        << false << true << true << 60 << 60 << 81 << true;
    QTest::newRow("level slider down, follower follows")
        << false << true << true << 40 << 40 << 70 << true;
    QTest::newRow("offset up, follower to 81") << true << true << false << -1 << 1 << 81 << true;
    QTest::newRow("offset slider, follower clamped")
        << true << true << true << 5 << 5 << 81 << true;
    QTest::newRow("offset slider, unlinked") << true << false << true << -7 << -7 << 80 << false;
}

void PowerValuesTest::linkedPairMovesWhatTheRulesSay() {
    QFETCH(bool, offsets);
    QFETCH(bool, linked);
    QFETCH(bool, slider);
    QFETCH(int, input);
    QFETCH(int, flash);
    QFETCH(int, model);
    QFETCH(bool, modelMoved);
    LinkedValues pair{offsets ? LinkedValues::Kind::Offsets : LinkedValues::Kind::Levels,
                      offsets ? 0 : 50, 80, linked};
    const LinkedValues::Moved moved = slider ? pair.moveTo(true, input) : pair.step(true, input);
    QCOMPARE(pair.flash, flash);
    QCOMPARE(pair.model, model);
    QVERIFY(moved.flash);
    QCOMPARE(moved.model, modelMoved);

    LinkedValues top{LinkedValues::Kind::Levels, 81, 30, true};
    QVERIFY(!top.step(true, -1).any());
    QCOMPARE(top.model, 30);
}

void PowerValuesTest::readsTypedTextAsTenths_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tenths"); // -999: no value
    QTest::newRow("shown form") << "4.5" << 45;
    QTest::newRow("tenths") << "45" << 45;
    QTest::newRow("one digit is whole") << "8" << 80;
    QTest::newRow("comma, spaces, sign") << " -0,5 " << -5;
    QTest::newRow("huge saturates") << "99999999999" << 100000;
    QTest::newRow("finer than tenths") << "4.55" << -999;
    QTest::newRow("point alone") << "." << -999;
    QTest::newRow("letters") << "4.5x" << -999;
}

void PowerValuesTest::readsTypedTextAsTenths() {
    QFETCH(QString, text);
    QFETCH(int, tenths);
    QCOMPARE(ParsePowerText(text).value_or(-999), tenths);
}

QTEST_GUILESS_MAIN(PowerValuesTest)
#include "tst_powervalues.moc"
