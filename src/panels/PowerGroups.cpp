#include "panels/PowerGroups.h"

#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserButton.h"
#include "panels/CUserStatic.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace lumadesk {

namespace {

// A radio button exclusive by hand: Reset unticks both of a pair.
class PairedRadioButton : public QRadioButton {
    Q_OBJECT
public:
    PairedRadioButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {
        setAutoExclusive(false);
    }
};

// Qt tells readers a radio button that is not auto-exclusive is a check box; ours are radio
// buttons to the operator. (Qt's own interface is found by class name, so ours has its own.)
class RadioAccessible : public QAccessibleWidget {
public:
    explicit RadioAccessible(QRadioButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton) {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton* button() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* radioFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<PairedRadioButton*>(object);
    return button != nullptr ? new RadioAccessible(button) : nullptr;
}

} // namespace

PowerGroupControls createPowerGroups(QWidget* form, DialogBaseUnits units,
                                     const PowerGroupLook& look) {
    const QFont valueFont = CellHeightFont(QStringLiteral("Arial"), 34, 500);
    const int top = look.top;
    auto place = [&](QWidget* control, int x, int y, int w, int h, const QString& name) {
        PlaceControl(control, QRect(x, top + y, w, h), units);
        control->setAccessibleName(name);
    };
    auto named = [&](const char* what, const char* suffix = "") {
        return QLatin1String(what) + QLatin1Char(' ') + look.word + QLatin1String(suffix);
    };

    static const bool readersHearRadios = (QAccessible::installFactory(radioFactory), true);
    (void)readersHearRadios;
    PowerGroupControls c;
    const QString groupStyle = groupBoxStyle();
    auto group = [&](const QString& title, int x) {
        auto* box = new QGroupBox(title, form);
        box->setStyleSheet(groupStyle);
        place(box, x, 0, 95, 110, title);
        return box;
    };
    c.flashGroup = group(QStringLiteral("Flash Power"), 5);
    c.modelGroup = group(QStringLiteral("Model Power"), 105);

    // Rectangles below are the template's, measured from the groups' top edge.
    auto valueField = [&](int x, const QString& name) {
        auto* field = new CUserStatic(form);
        field->setFont(valueFont);
        field->textColor = kValueText;
        field->backgroundColor = kValueBackground;
        field->SetValueText(look.startText);
        field->EnableTyping(look.lowestTyped, look.highestTyped);
        place(field, x, 9, 42, 24, name);
        return field;
    };
    auto spin = [&](int x, const QString& name) {
        auto* control = new COXCoolSpinButtonCtrl(form);
        place(control, x, 9, 10, 24, name);
        return control;
    };
    auto slider = [&](int x, const QString& name) {
        auto* control = new COXCoolSliderCtrl(form);
        control->setRange(look.sliderLow, look.sliderHigh);
        // Offsets are signed; a reader hears the level or offset, not the position.
        control->setReading(look.lowestTyped < 0 ? COXCoolSliderCtrl::Reading::Offset
                                                 : COXCoolSliderCtrl::Reading::Level);
        if (look.sliderStart)
            control->setValue(*look.sliderStart);
        place(control, x, 38, 68, 12, name);
        return control;
    };
    auto check = [&](const QString& caption, int x, int y, int w) {
        auto* box = new QCheckBox(caption, form);
        place(box, x, y, w, 8, caption);
        return box;
    };
    auto radio = [&](const QString& caption, int x, int y, int w) {
        auto* button = new PairedRadioButton(caption, form);
        place(button, x, y, w, 8, caption);
        return button;
    };

    c.flashText = valueField(10, named("Flash"));
    c.flashSpin = spin(60, named("Flash", " steps"));
    c.flashSlider = slider(6, named("Flash", " slider"));
    c.cellBox = check(QStringLiteral("Cell"), 58, 58, 35);
    c.soundBox = check(QStringLiteral("Sound"), 58, 68, 35);
    c.powerButton = new CUserButton(QStringLiteral("Power On"), form);
    c.powerButton->setFont(CaptionFont());
    place(c.powerButton, 10, 58, 40, 30, QStringLiteral("Power On"));
    c.testButton = new QPushButton(QStringLiteral("Test"), form);
    place(c.testButton, 10, 91, 40, 13, QStringLiteral("Test"));

    c.modelText = valueField(110, named("Model"));
    c.modelSpin = spin(160, named("Model", " steps"));
    c.modelSlider = slider(106, named("Model", " slider"));
    c.free = radio(QStringLiteral("Free"), 110, 58, 40);
    c.prop = radio(QStringLiteral("Prop"), 110, 68, 40);
    c.offBox = check(QStringLiteral("OFF"), 158, 58, 35);
    c.continous = radio(QStringLiteral("Continous"), 110, 83, 50);
    c.flashProp = radio(QStringLiteral("Flash Prop"), 110, 93, 50);
    return c;
}

void connectPowerGroups(const PowerGroupControls& g, QObject* context,
                        const PowerGroupHandlers& handlers) {
    for (const bool flash : {true, false}) {
        QObject::connect(
            flash ? g.flashSpin : g.modelSpin, &COXCoolSpinButtonCtrl::deltaPos, context,
            [spinStep = handlers.spinStep, flash](int change) { spinStep(flash, change); });
        COXCoolSliderCtrl* slider = flash ? g.flashSlider : g.modelSlider;
        const auto release = [release = handlers.sliderRelease, flash](int) { release(flash); };
        QObject::connect(slider, &COXCoolSliderCtrl::released, context, release);
        QObject::connect(slider, &COXCoolSliderCtrl::steppedByKey, context, release);
        QObject::connect(
            slider, &QSlider::sliderMoved, context,
            [drag = handlers.sliderDrag, flash](int position) { drag(flash, position); });
        QObject::connect(flash ? g.flashText : g.modelText, &CUserStatic::valueTyped, context,
                         [typed = handlers.typed, flash](int tenths) { typed(flash, tenths); });
    }
    // Every switch the panels' table names, reporting its identifier.
    for (const PanelSetting& setting : PanelSettings()) {
        for (const PowerControlId id : {setting.button, setting.buttonForZero}) {
            if (QAbstractButton* button = ButtonOf(g, id)) {
                QObject::connect(button, &QAbstractButton::clicked, context,
                                 [handler = handlers.button, id = int(id)](bool checked) {
                                     handler(id, checked);
                                 });
            }
        }
    }
}

QAbstractButton* ButtonOf(const PowerGroupControls& g, int id) {
    switch (id) {
    case IDC_CELL:
        return g.cellBox;
    case IDC_SOUND:
        return g.soundBox;
    case IDC_POWER:
        return g.powerButton;
    case IDC_TEST:
        return g.testButton;
    case IDC_FREE:
        return g.free;
    case IDC_PROP:
        return g.prop;
    case IDC_CONTINOUS:
        return g.continous;
    case IDC_FLASH_PROP:
        return g.flashProp;
    case IDC_OFF:
        return g.offBox;
    default:
        return nullptr;
    }
}

} // namespace lumadesk

#include "PowerGroups.moc"
