#include "PanelRig.h"
#include "model/PowerLevel.h"
#include "model/PowerValues.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserStatic.h"
#include "platform/Messages.h"

#include <QComboBox>

using namespace lumadesk;

namespace {

// The remote control panel switched to "Selected unit(s) settings" over heads on the given
// channels of studio A, shown in the grid's order. A unit is "ch:flash/model" with "p" for a
// proportional modelling lamp and "t" for ticked, e.g. "0:40/50pt".
struct SelRig : PanelRig {
    CControlSelFormView* sel = panel.findChild<CControlSelFormView*>();

    explicit SelRig(const QStringList& units) {
        StudioData* studio = model.studios[0].get();
        ClearStudio(&model, studio);
        for (const QString& spec : units) {
            const QStringList levels = spec.section(':', 1).remove('p').remove('t').split('/');
            auto* head = PlaceStrobe(&model, 0, spec.section(':', 0, 0).toInt(),
                                     std::make_unique<StrobeData>());
            head->nFlashValue = levels[0].toInt();
            head->nModelValue = levels[1].toInt();
            head->nModelMode1 = spec.contains('p') ? 1 : 0;
            head->bChSelect = spec.contains('t') ? 1 : 0;
        }
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (StrobeData* head = studio->UnitOn(ch))
                model.arrShown.push_back(head);
        }
        unit = model.arrShown.front();
        select();
        auto* combo = control<QComboBox>("Settings mode");
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QVERIFY(sel->isVisible());
        // Wide enough that every position has pixels of its own, so a drag lands where asked.
        for (auto* slider : sel->findChildren<COXCoolSliderCtrl*>())
            slider->resize(400, slider->height());
    }

    template <typename T = QWidget> T* own(const QString& name) {
        for (T* widget : sel->findChildren<T*>()) {
            if (widget->accessibleName() == name)
                return widget;
        }
        qFatal("no control %s", qPrintable(name));
    }
    QString shown() {
        return own<QLabel>("Flash offset")->text() + "/" + own<QLabel>("Model offset")->text();
    }
    QString heads() {
        QStringList out;
        for (StrobeData* head : model.arrShown)
            out << QString("%1:%2/%3")
                       .arg(head->nChNum)
                       .arg(head->nFlashValue)
                       .arg(head->nModelValue);
        return out.join(' ');
    }

    void act(const QString& action) {
        const QString what = action.section(' ', 0, 0);
        const QString arg = action.section(' ', 1);
        auto* slider = own<COXCoolSliderCtrl>((what.startsWith("model") ? "Model" : "Flash") +
                                              QString(" offset slider"));
        if (what.endsWith("drag")) {
            const QPoint from = slider->ThumbCentre(slider->sliderPosition());
            const QPoint to = slider->ThumbCentre(OffsetSliderPosition(arg.toInt()));
            QTest::mousePress(slider, Qt::LeftButton, {}, from);
            QTest::mouseMove(slider, to);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
        } else if (what.endsWith("step")) {
            auto* spin = own<COXCoolSpinButtonCtrl>((what.startsWith("model") ? "Model" : "Flash") +
                                                    QString(" offset steps"));
            QTest::mouseClick(spin, Qt::LeftButton, {},
                              (arg == "up" ? spin->upRect() : spin->downRect()).center());
        } else if (what.endsWith("key")) {
            slider->setFocus();
            QTest::keyClick(slider, arg == "right" ? Qt::Key_Right : Qt::Key_Left);
        } else if (what == "click") {
            QTest::mouseClick(own<QAbstractButton>(arg), Qt::LeftButton);
        } else if (what == "tick") {
            model.studios[0]->UnitOn(arg.toInt())->bChSelect = 1;
        } else if (what == "type") { // "type Flash offset=-2.5"
            auto* field = own<CUserStatic>(arg.section('=', 0, 0));
            QTest::mouseDClick(field, Qt::LeftButton);
            QTest::keyClicks(field->editor(), arg.section('=', 1));
            QTest::keyClick(field->editor(), Qt::Key_Return);
        } else if (what == "press") {
            QWidget* focused = own<QWidget>(arg.section(' ', 1));
            focused->setFocus();
            QTest::keyClick(focused, arg.startsWith("Enter") ? Qt::Key_Return : Qt::Key_Escape);
        }
    }

    // The frames written since, each cut to the length of the one expected at its place.
    QStringList framesLike(const QStringList& expected) {
        int bytes = 0;
        for (const QString& one : expected)
            bytes += one.section(' ', 1, 1).toInt(nullptr, 16);
        QByteArray all = QByteArray::fromHex(frames(bytes).toLatin1());
        QStringList out;
        for (int k = 0; !all.isEmpty(); ++k) {
            const QByteArray one = all.left(quint8(all.at(1)));
            all.remove(0, one.size());
            const int keep = k < expected.size() ? int(expected[k].size() + 1) / 3 : one.size();
            out << QString::fromLatin1(one.left(keep).toHex(' '));
        }
        return out;
    }
};

} // namespace

class SelPanelTest : public QObject {
    Q_OBJECT
private slots:
    void groupEditsChangeOnlyTickedUnits_data();
    void groupEditsChangeOnlyTickedUnits();
    void firstDragNudgeOfTheCentredThumbIsNoMove();
    void choosingThePanelAgainStartsFromZero();
};

void SelPanelTest::groupEditsChangeOnlyTickedUnits_data() {
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("heads");        // ch:flash/model afterwards
    QTest::addColumn<QStringList>("sent");     // each frame's expected beginning
    QTest::addColumn<QList<qintptr>>("posts"); // WM_USER+25 codes
    QTest::addColumn<QString>("shown");        // flash offset / model offset texts

    using L = QList<qintptr>;
    const QStringList twoHeads{"0:40/50pt", "1:40/50t"};
    QTest::newRow("proportional head moves both levels")
        << twoHeads << QStringList{"flash-drag 10"} << "0:50/60 1:50/50"
        << QStringList{"ff 17 1e 32 3c 32 32 00 00"} << L{5} << "1.0/0.0";
    QTest::newRow("second move adds only the difference")
        << twoHeads << QStringList{"flash-drag 10", "flash-drag 15"} << "0:55/65 1:55/50"
        << QStringList{"ff 17 1e 32 3c", "ff 17 1e 37 41"} << L{5, 5} << "1.5/0.0";
    QTest::newRow("levels clamp at 81")
        << QStringList{"0:78/50t"} << QStringList{"flash-drag 10"} << "0:81/50"
        << QStringList{"ff 17 1e 51 32"} << L{5} << "1.0/0.0";
    QTest::newRow("levels clamp at 11")
        << QStringList{"0:15/50t"} << QStringList{"flash-drag -10"} << "0:11/50"
        << QStringList{"ff 17 1e 0b 32"} << L{5} << "-1.0/0.0";
    QTest::newRow("model move of a free head leaves its flash")
        << QStringList{"3:40/50t"} << QStringList{"model-drag -20"} << "3:40/30"
        << QStringList{"ff 17 1f 00 00 00 00 00 00 28 1e"} << L{5} << "0.0/-2.0";
    QTest::newRow("panel Prop links the spin; a free head ticked later follows")
        << QStringList{"0:40/50t", "1:40/50"}
        << QStringList{"click Prop", "tick 1", "flash-step up"} << "0:41/51 1:41/51"
        << QStringList{"ff 07 15 00 01 00 08", "ff 17 1e 29 33 29 33"} << L{6, 5} << "0.1/0.1";
    QTest::newRow("Cell reaches ticked channels 0, 2 and 5 in one frame")
        << QStringList{"0:40/50t", "1:40/50", "2:40/50t", "5:40/50t"} << QStringList{"click Cell"}
        << "0:40/50 1:40/50 2:40/50 5:40/50" << QStringList{"ff 07 17 01 05 00 02"} << L{1}
        << "0.0/0.0";
    QTest::newRow("OFF sends the last ticked head's lamp off")
        << QStringList{"0:40/50t", "4:40/50t"} << QStringList{"click OFF"} << "0:40/50 4:40/50"
        << QStringList{"ff 07 1c 00 11 00 00"} << L{8} << "0.0/0.0";
    QTest::newRow("Test flashes and posts nothing")
        << QStringList{"0:40/50t", "1:40/50t"} << QStringList{"click Test"} << "0:40/50 1:40/50"
        << QStringList{"ff 07 1b 00 03 00 00"} << L{} << "0.0/0.0";
    QTest::newRow("keyboard move is applied as a release")
        << QStringList{"0:40/50t"} << QStringList{"flash-key right"} << "0:41/50"
        << QStringList{"ff 17 1e 29 32"} << L{5} << "0.1/0.0";
    QTest::newRow("typed offset is applied as a release")
        << twoHeads << QStringList{"type Flash offset=1.0"} << "0:50/60 1:50/50"
        << QStringList{"ff 17 1e 32 3c 32 32 00 00"} << L{5} << "1.0/0.0";
    QTest::newRow("typed offset clamps at -8.1")
        << QStringList{"0:40/50t"} << QStringList{"type Model offset=-9"} << "0:40/11"
        << QStringList{"ff 17 1f 28 0b"} << L{5} << "0.0/-8.1";
    QTest::newRow("typed offset moves the linked follower")
        << QStringList{"0:40/50t"} << QStringList{"click Prop", "type Flash offset=2"} << "0:60/70"
        << QStringList{"ff 07 15 00 01 00 08", "ff 17 1e 3c 46"} << L{6, 5} << "2.0/2.0";
    QTest::newRow("nothing ticked: nothing sent")
        << QStringList{"0:40/50", "1:40/50p"}
        << QStringList{"flash-drag 10", "flash-step up", "click Cell", "click Test"}
        << "0:40/50 1:40/50" << QStringList{} << L{} << "1.1/0.0";
    QTest::newRow("Enter and Escape close nothing")
        << QStringList{"0:40/50t"}
        << QStringList{"press Enter Test", "press Escape Flash offset slider"} << "0:40/50"
        << QStringList{} << L{} << "0.0/0.0";
}

void SelPanelTest::groupEditsChangeOnlyTickedUnits() {
    QFETCH(QStringList, units);
    QFETCH(QStringList, actions);
    QFETCH(QString, heads);
    QFETCH(QStringList, sent);
    QFETCH(QList<qintptr>, posts);
    QFETCH(QString, shown);
    SelRig rig(units);
    rig.posted(Msg::NavGroupChange);

    for (const QString& action : actions)
        rig.act(action);

    QCOMPARE(rig.framesLike(sent), sent);
    QCOMPARE(rig.posted(Msg::NavGroupChange), posts);
    QCOMPARE(rig.heads(), heads);
    QCOMPARE(rig.shown(), shown);
    QVERIFY(rig.sel->isVisible());
    for (QWidget* control : rig.sel->findChildren<QWidget*>())
        QVERIFY2(control->isEnabled() && control->isVisible(),
                 qPrintable(control->accessibleName()));
}

void SelPanelTest::firstDragNudgeOfTheCentredThumbIsNoMove() {
    SelRig rig({"0:40/50t"});
    auto* slider = rig.own<COXCoolSliderCtrl>("Flash offset slider");
    // As the thumb reports while held: the first notice at 83 puts it back, the next one counts.
    slider->setSliderDown(true);
    slider->setSliderPosition(83);
    QCOMPARE(slider->sliderPosition(), 82);
    QCOMPARE(rig.shown(), QString("0.0/0.0"));
    slider->setSliderPosition(83);
    QCOMPARE(rig.shown(), QString("0.1/0.0"));
    slider->setSliderDown(false);
    QCOMPARE(rig.frames(0), QString()); // a drag applies nothing before its release
    // After a release the rule holds again once.
    rig.act("flash-drag 0");
    QCOMPARE(rig.shown(), QString("0.0/0.0"));
    slider->setSliderDown(true);
    slider->setSliderPosition(83);
    QCOMPARE(rig.shown(), QString("0.0/0.0"));
}

void SelPanelTest::choosingThePanelAgainStartsFromZero() {
    SelRig rig({"0:40/50t"});
    rig.act("click Prop");
    rig.act("flash-drag 20");
    QCOMPARE(rig.heads(), QString("0:60/70"));
    auto* combo = rig.control<QComboBox>("Settings mode");
    QTest::keyClick(combo, Qt::Key_Up);
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(rig.shown(), QString("0.0/0.0"));
    QCOMPARE(rig.own<COXCoolSliderCtrl>("Model offset slider")->sliderPosition(), 82);
    QVERIFY(!rig.own<QAbstractButton>("Prop")->isChecked());
    // The whole offset is applied again, and the link is not chosen any more.
    rig.act("flash-drag 10");
    QCOMPARE(rig.heads(), QString("0:70/80"));
    QCOMPARE(rig.shown(), QString("1.0/0.0"));
}

QTEST_MAIN(SelPanelTest)
#include "tst_selpanel.moc"
