#include "PanelRig.h"
#include "model/PowerValues.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserStatic.h"
#include "platform/Messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace lumadesk;

namespace {

// The remote control panel switched to "Selected unit(s) settings" over heads of studio A,
// listed as the grid shows them: "ch:flash/model", "p" for a proportional lamp, "t" ticked.
struct SelRig : PanelRig {
    CControlSelFormView* sel = panel.findChild<CControlSelFormView*>();

    explicit SelRig(const QStringList& units) {
        ClearStudio(&model, model.studios[0].get());
        const QRegularExpression form(R"((\d):(\d+)/(\d+)(p?)(t?))");
        for (const QString& spec : units) {
            const auto m = form.match(spec);
            auto* head =
                PlaceStrobe(&model, 0, m.captured(1).toInt(), std::make_unique<StrobeData>());
            head->nFlashValue = m.captured(2).toInt();
            head->nModelValue = m.captured(3).toInt();
            head->nModelMode1 = m.captured(4).isEmpty() ? 0 : 1;
            head->bChSelect = m.captured(5).isEmpty() ? 0 : 1;
            model.arrShown.push_back(head);
        }
        unit = model.arrShown.front();
        select();
        act("choose");
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
        for (StrobeData* h : model.arrShown)
            out << QString("%1:%2/%3").arg(h->nChNum).arg(h->nFlashValue).arg(h->nModelValue);
        return out.join(' ');
    }

    void act(const QString& action) {
        const QString what = action.section(' ', 0, 0);
        const QString arg = action.section(' ', 1);
        const QString side = what.startsWith("model") ? "Model" : "Flash";
        auto* slider = what == "choose" ? nullptr : own<COXCoolSliderCtrl>(side + " offset slider");
        if (what == "choose") { // as the operator picks the panel: away and back
            auto* combo = control<QComboBox>("Settings mode");
            if (combo->currentIndex() == 1)
                QTest::keyClick(combo, Qt::Key_Up);
            QTest::keyClick(combo, Qt::Key_Down);
        } else if (what.endsWith("drag")) {
            const QPoint to = slider->ThumbCentre(OffsetSliderPosition(arg.toInt()));
            QTest::mousePress(slider, Qt::LeftButton, {}, slider->ThumbCentre(slider->value()));
            QTest::mouseMove(slider, to);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
        } else if (what.endsWith("hold")) { // the thumb held and reporting a position
            slider->setSliderDown(true);
            slider->setSliderPosition(arg.toInt());
        } else if (what.endsWith("step")) {
            auto* spin = own<COXCoolSpinButtonCtrl>(side + " offset steps");
            QTest::mouseClick(spin, Qt::LeftButton, {}, spin->upRect().center());
        } else if (what.endsWith("key")) {
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_Right);
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

    // The frames written, each cut to the length of the one expected at its place.
    QStringList framesLike(const QStringList& expected) {
        int bytes = 0;
        for (const QString& one : expected)
            bytes += one.section(' ', 1, 1).toInt(nullptr, 16);
        QByteArray all = QByteArray::fromHex(frames(bytes).toLatin1());
        QStringList out;
        while (!all.isEmpty()) {
            const QString one = QString::fromLatin1(all.left(quint8(all.at(1))).toHex(' '));
            all.remove(0, (one.size() + 1) / 3);
            const qsizetype k = out.size();
            out << (k < expected.size() ? one.left(expected[k].size()) : one);
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
    void powerButtonTellsTheTickedHeadsPower_data();
    void powerButtonTellsTheTickedHeadsPower();
    void aHeldHeadIsSaidInTheFirstPaneAndTheOffsetTip();
    void keptRatiosHoldNoHeadAndReturnEachExactly();
};

void SelPanelTest::groupEditsChangeOnlyTickedUnits_data() {
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("heads");        // ch:flash/model afterwards
    QTest::addColumn<QStringList>("sent");     // each frame's beginning
    QTest::addColumn<QList<qintptr>>("posts"); // WM_USER+25 codes
    QTest::addColumn<QString>("shown");        // flash offset / model offset

    using S = QStringList;
    using L = QList<qintptr>;
    const S two{"0:40/50pt", "1:40/50t"};
    QTest::newRow("proportional head moves both levels")
        << two << S{"flash-drag 10"} << "0:50/60 1:50/50" << S{"ff 17 1e 32 3c 32 32 00 00"} << L{5}
        << "1.0/0.0";
    QTest::newRow("second move adds only the difference")
        << two << S{"flash-drag 10", "flash-drag 15"} << "0:55/65 1:55/50"
        << S{"ff 17 1e 32 3c", "ff 17 1e 37 41"} << L{5, 5} << "1.5/0.0";
    QTest::newRow("clamp at 81") << S{"0:78/50t"} << S{"flash-drag 10"} << "0:81/50"
                                 << S{"ff 17 1e 51 32"} << L{5} << "1.0/0.0";
    QTest::newRow("clamp at 11") << S{"0:15/50t"} << S{"flash-drag -10"} << "0:11/50"
                                 << S{"ff 17 1e 0b 32"} << L{5} << "-1.0/0.0";
    QTest::newRow("model move of a free head")
        << S{"3:40/50t"} << S{"model-drag -20"} << "3:40/30"
        << S{"ff 17 1f 00 00 00 00 00 00 28 1e"} << L{5} << "0.0/-2.0";
    QTest::newRow("panel Prop links the spin; a free head ticked later follows")
        << S{"0:40/50t", "1:40/50"} << S{"click Prop", "tick 1", "flash-step"} << "0:41/51 1:41/51"
        << S{"ff 07 15 00 01 00 08", "ff 17 1e 29 33 29 33"} << L{6, 5} << "0.1/0.1";
    QTest::newRow("Cell to ticked channels 0, 2, 5 in one frame")
        << S{"0:40/50t", "1:40/50", "2:40/50t", "5:40/50t"} << S{"click Cell"}
        << "0:40/50 1:40/50 2:40/50 5:40/50" << S{"ff 07 17 01 05 00 02"} << L{1} << "0.0/0.0";
    QTest::newRow("OFF turns the lamps off")
        << S{"0:40/50t", "4:40/50t"} << S{"click OFF"} << "0:40/50 4:40/50"
        << S{"ff 07 1c 00 11 00 00"} << L{8} << "0.0/0.0";
    // The heads are on, so "Power On" shows ticked and a click turns them off.
    QTest::newRow("Sound, Power, Free, Continous, Flash Prop: one frame each")
        << S{"0:40/50t", "3:40/50t"}
        << S{"click Sound", "click Power On", "click Free", "click Continous", "click Flash Prop"}
        << "0:40/50 3:40/50"
        << S{"ff 07 18 00 09 00 04", "ff 07 1d 00 09 00 00", "ff 07 15 00 09 00 00",
             "ff 07 16 00 09 00 10", "ff 07 16 00 09 00 00"}
        << L{2, 4, 6, 7, 7} << "0.0/0.0";
    QTest::newRow("linked model-offset drag moves the flash offset too")
        << S{"0:40/50t"} << S{"click Prop", "model-drag 10"} << "0:50/60"
        << S{"ff 07 15 00 01 00 08", "ff 17 1f"} << L{6, 5} << "1.0/1.0";
    QTest::newRow("Test posts nothing") << two << S{"click Test"} << "0:40/50 1:40/50"
                                        << S{"ff 07 1b 00 03 00 00"} << L{} << "0.0/0.0";
    QTest::newRow("keyboard move applies")
        << S{"0:40/50t"} << S{"flash-key"} << "0:41/50" << S{"ff 17 1e 29 32"} << L{5} << "0.1/0.0";
    QTest::newRow("typed offset out of range is refused")
        << S{"0:40/50t"} << S{"type Model offset=-9"} << "0:40/50" << S{} << L{} << "0.0/0.0";
    QTest::newRow("typed offset moves the linked follower")
        << S{"0:40/50t"} << S{"click Prop", "type Flash offset=2"} << "0:60/70"
        << S{"ff 07 15 00 01 00 08", "ff 17 1e 3c 46"} << L{6, 5} << "2.0/2.0";
    QTest::newRow("nothing ticked, nothing sent")
        << S{"0:40/50", "1:40/50p"} << S{"flash-drag 10", "flash-step", "click Cell", "click Test"}
        << "0:40/50 1:40/50" << S{} << L{} << "1.1/0.0";
    QTest::newRow("first nudge of the centred thumb is no move")
        << S{"0:40/50t"} << S{"flash-hold 83"} << "0:40/50" << S{} << L{} << "0.0/0.0";
    QTest::newRow("second nudge counts") << S{"0:40/50t"} << S{"flash-hold 83", "flash-hold 83"}
                                         << "0:40/50" << S{} << L{} << "0.1/0.0";
    QTest::newRow("choosing the panel again starts from zero")
        << S{"0:40/50t"} << S{"click Prop", "flash-drag 20", "choose", "flash-drag 10"} << "0:70/80"
        << S{"ff 07 15", "ff 17 1e 3c 46", "ff 17 1e 46 50"} << L{6, 5, 5} << "1.0/0.0";
    QTest::newRow("Enter and Escape close nothing")
        << S{"0:40/50t"} << S{"press Enter Test", "press Escape Flash offset slider"} << "0:40/50"
        << S{} << L{} << "0.0/0.0";
}

void SelPanelTest::groupEditsChangeOnlyTickedUnits() {
    QFETCH(QStringList, units);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, sent);
    QFETCH(QList<qintptr>, posts);
    SelRig rig(units);
    rig.posted(Msg::NavGroupChange);

    for (const QString& action : actions)
        rig.act(action);

    QCOMPARE(rig.framesLike(sent), sent);
    QCOMPARE(rig.posted(Msg::NavGroupChange), posts);
    QTEST(rig.heads(), "heads");
    QTEST(rig.shown(), "shown");
    const QString text = rig.shown().section('/', 0, 0);
    QCOMPARE(rig.own<QSlider>("Flash offset slider")->value() - 82, qRound(text.toDouble() * 10));
    for (QWidget* control : rig.sel->findChildren<QWidget*>())
        QVERIFY2(control->isEnabled() && control->isVisible(),
                 qPrintable(control->accessibleName()));
}

void SelPanelTest::powerButtonTellsTheTickedHeadsPower_data() {
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QList<int>>("off"); // channels whose flash power is off
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("sent"); // by a click on it
    QTest::addColumn<QString>("after");

    using S = QStringList;
    using C = QList<int>;
    const S two{"0:40/50t", "1:40/50t"};
    QTest::newRow("all on") << two << C{} << "Power\nOn"
                            << ""
                            << "ff 07 1d 00 03 00 00"
                            << "Power\nOff";
    QTest::newRow("all off") << two << C{0, 1} << "Power\nOff"
                             << ""
                             << "ff 07 1d 00 03 00 01"
                             << "Power\nOn";
    QTest::newRow("mixed") << two << C{1} << "Power"
                           << "Power differs: on for CH-01, off for CH-02; a click turns it on "
                              "for all"
                           << "ff 07 1d 00 03 00 01"
                           << "Power\nOn";
    QTest::newRow("an unticked head does not count")
        << S{"0:40/50t", "1:40/50"} << C{1} << "Power\nOn"
        << ""
        << "ff 07 1d 00 01 00 00"
        << "Power\nOff";
    QTest::newRow("none ticked") << S{"0:40/50"} << C{} << "Power\nOff"
                                 << "No heads ticked"
                                 << ""
                                 << "Power\nOff";
}

void SelPanelTest::powerButtonTellsTheTickedHeadsPower() {
    QFETCH(QStringList, units);
    QFETCH(QList<int>, off);
    QFETCH(QString, sent);
    SelRig rig(units);
    for (const int channel : off)
        rig.model.studios[0]->UnitOn(channel)->bFlashPow = 0;
    SendMessage(&rig.panel, Msg::CtrlTicksChanged); // as the grid tells of a tick
    auto* power = rig.own<QAbstractButton>("Power On");
    QTEST(power->text(), "caption");
    QTEST(power->toolTip(), "tip");
    QCOMPARE(power->accessibleDescription(), power->toolTip());

    QTest::mouseClick(power, Qt::LeftButton);
    QCOMPARE(rig.frames(sent.isEmpty() ? 0 : 7), sent);
    QTEST(power->text(), "after");
}

void SelPanelTest::aHeldHeadIsSaidInTheFirstPaneAndTheOffsetTip() {
    SelRig rig({"0:30/50t", "1:75/50t"});
    QSignalSpy notes(&rig.actions, &OperatorActions::note);
    rig.act("flash-drag 10");
    QCOMPARE(rig.heads(), QString("0:40/50 1:81/50"));
    QTRY_VERIFY(!notes.isEmpty());
    QCOMPARE(notes.last().at(0).toString(),
             QString("CH-02 held at 8.1: +0.4 of the offset not applied"));
    QCOMPARE(rig.own<QLabel>("Flash offset")->toolTip(),
             QString("Held at a limit by the last step: CH-02 at 8.1"));
    // The existing arithmetic stays: back to 0.0 leaves the held head 1.0 lower.
    notes.clear();
    rig.act("flash-drag 0");
    QCOMPARE(rig.heads(), QString("0:30/50 1:71/50"));
    QVERIFY(rig.own<QLabel>("Flash offset")->toolTip().isEmpty());
}

void SelPanelTest::keptRatiosHoldNoHeadAndReturnEachExactly() {
    SelRig rig({"0:30/50t", "1:75/50t", "2:50/50"});
    QTest::mouseClick(rig.control<QCheckBox>("Keep ratios"), Qt::LeftButton);
    auto* slider = rig.own<COXCoolSliderCtrl>("Flash offset slider");
    // The reach: CH-01 may go 1.9 down, CH-02 only 0.6 up; CH-03 is not ticked.
    QCOMPARE(slider->minimum(), OffsetSliderPosition(-19));
    QCOMPARE(slider->maximum(), OffsetSliderPosition(6));
    rig.act("type Flash offset=1.0");
    QCOMPARE(rig.shown(), QString("0.6/0.0"));
    QCOMPARE(rig.heads(), QString("0:36/50 1:81/50 2:50/50"));
    rig.act("flash-step"); // at the reach's end: nothing moves, nothing is sent
    QCOMPARE(rig.heads(), QString("0:36/50 1:81/50 2:50/50"));
    rig.act("type Flash offset=0");
    QCOMPARE(rig.heads(), QString("0:30/50 1:75/50 2:50/50"));

    QTest::mouseClick(rig.control<QCheckBox>("Keep ratios"), Qt::LeftButton); // off: as before
    QCOMPARE(slider->maximum(), kOffsetSliderHigh);
    rig.act("type Flash offset=1.0");
    QCOMPARE(rig.heads(), QString("0:40/50 1:81/50 2:50/50"));
}

QTEST_MAIN(SelPanelTest)
#include "tst_selpanel.moc"
