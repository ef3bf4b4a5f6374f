#include "panels/CControlSelFormView.h"

#include "link/CZbProtocol.h"
#include "link/ChannelMask.h"
#include "link/FrameTypes.h"
#include "model/PowerValues.h"
#include "model/StudioModel.h"
#include "panels/CControlFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserButton.h"
#include "panels/CUserStatic.h"
#include "panels/PowerGroups.h"
#include "platform/ChangeCode.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "ui/DialogFont.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <algorithm>

namespace lumadesk {

CControlSelFormView::CControlSelFormView(QWidget* parent) : QWidget(parent) {
    // Opaque, so the power groups it lies over do not show through.
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Selected unit(s) settings"));
    createControls();
}

void CControlSelFormView::createControls() {
    const QFont formFont = FormFont(QStringLiteral("Arial"), 8);
    setFont(formFont);
    const DialogBaseUnits units = BaseUnitsOf(formFont);
    const QFont valueFont = CellHeightFont(QStringLiteral("Arial"), 34, 500);

    auto place = [&](QWidget* control, int x, int y, int w, int h, const QString& name) {
        PlaceControl(control, QRect(x, y, w, h), units);
        control->setAccessibleName(name);
    };
    for (const auto& [title, x] : {std::pair{QStringLiteral("Flash Power"), 5},
                                   std::pair{QStringLiteral("Model Power"), 105}}) {
        auto* group = new QGroupBox(title, this);
        group->setStyleSheet(groupBoxStyle());
        place(group, x, 5, 95, 110, title);
    }
    auto valueField = [&](int x, const QString& name) {
        auto* field = new CUserStatic(this);
        field->setFont(valueFont);
        field->textColor = kValueText;
        field->backgroundColor = kValueBackground;
        field->SetValueText(FormatPowerOffset(0));
        place(field, x, 14, 42, 24, name);
        return field;
    };
    auto spin = [&](int x, const QString& name) {
        auto* control = new COXCoolSpinButtonCtrl(this);
        place(control, x, 14, 10, 24, name);
        return control;
    };
    auto slider = [&](int x, const QString& name) {
        auto* control = new COXCoolSliderCtrl(this);
        control->setRange(kOffsetSliderLow, kOffsetSliderHigh);
        control->setValue(kOffsetSliderCentre);
        place(control, x, 43, 68, 12, name);
        return control;
    };
    auto check = [&](const QString& caption, int x, int y, int w) {
        auto* box = new QCheckBox(caption, this);
        place(box, x, y, w, 8, caption);
        return box;
    };
    auto radio = [&](const QString& caption, int x, int y, int w) {
        auto* button = new QRadioButton(caption, this);
        // Exclusive by hand: Reset unticks both of a pair.
        button->setAutoExclusive(false);
        place(button, x, y, w, 8, caption);
        return button;
    };

    m_flashText = valueField(10, QStringLiteral("Flash offset"));
    m_flashSpin = spin(60, QStringLiteral("Flash offset steps"));
    m_flashSlider = slider(6, QStringLiteral("Flash offset slider"));
    m_cellBox = check(QStringLiteral("Cell"), 58, 63, 35);
    m_soundBox = check(QStringLiteral("Sound"), 58, 73, 35);
    m_powerButton = new CUserButton(QStringLiteral("Power On"), this);
    m_powerButton->setFont(CaptionFont());
    place(m_powerButton, 10, 63, 40, 30, QStringLiteral("Power On"));
    m_testButton = new QPushButton(QStringLiteral("Test"), this);
    place(m_testButton, 10, 96, 40, 13, QStringLiteral("Test"));

    m_modelText = valueField(110, QStringLiteral("Model offset"));
    m_modelSpin = spin(160, QStringLiteral("Model offset steps"));
    m_modelSlider = slider(106, QStringLiteral("Model offset slider"));
    m_free = radio(QStringLiteral("Free"), 110, 63, 40);
    m_prop = radio(QStringLiteral("Prop"), 110, 73, 40);
    m_offBox = check(QStringLiteral("OFF"), 158, 63, 35);
    m_continous = radio(QStringLiteral("Continous"), 110, 88, 50);
    m_flashProp = radio(QStringLiteral("Flash Prop"), 110, 98, 50);

    connect(m_flashSpin, &COXCoolSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpinStep(true, change); });
    connect(m_modelSpin, &COXCoolSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpinStep(false, change); });
    for (COXCoolSliderCtrl* control : {m_flashSlider, m_modelSlider}) {
        const bool flash = control == m_flashSlider;
        connect(control, &COXCoolSliderCtrl::released, this,
                [this, flash](int) { OnSliderRelease(flash); });
        // A keyboard or wheel move is a whole move: applied as a release applies it, or the
        // panel would show an offset no unit got.
        connect(control, &COXCoolSliderCtrl::steppedByKey, this,
                [this, flash](int) { OnSliderRelease(flash); });
        connect(control, &QSlider::sliderMoved, this,
                [this, flash](int position) { OnSliderDrag(flash, position); });
    }
    // A typed offset is the slider put there and released.
    for (CUserStatic* field : {m_flashText, m_modelText}) {
        field->EnableTyping(kLowestOffset, kHighestOffset);
        connect(field, &CUserStatic::valueTyped, this,
                [this, flash = field == m_flashText](int offset) {
                    setSlider(flash ? m_flashSlider : m_modelSlider, OffsetSliderPosition(offset));
                    OnSliderRelease(flash);
                });
    }
    const std::pair<QAbstractButton*, int> buttons[] = {
        {m_cellBox, IDC_CELL},        {m_soundBox, IDC_SOUND},
        {m_powerButton, IDC_POWER},   {m_testButton, IDC_TEST},
        {m_free, IDC_FREE},           {m_prop, IDC_PROP},
        {m_continous, IDC_CONTINOUS}, {m_flashProp, IDC_FLASH_PROP},
        {m_offBox, IDC_OFF}};
    for (const auto& [button, id] : buttons) {
        connect(button, &QAbstractButton::clicked, this,
                [this, id = id](bool checked) { OnButton(id, checked); });
    }
}

void CControlSelFormView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The template runs a few lines below its groups, over the title of the set-up group the
    // panel lies above; only the groups' own area hides what is under it.
    int bottom = 0;
    for (const QGroupBox* group : findChildren<QGroupBox*>())
        bottom = std::max(bottom, group->geometry().bottom() + 1);
    setMask(QRegion(0, 0, event->size().width(), std::min(bottom, event->size().height())));
}

void CControlSelFormView::OnInitialUpdate(const ControlPanelLinks& links) {
    m_model = links.model;
    m_protocol = links.protocol;
    m_navigationPane = links.navigationPane;
}

std::vector<StrobeData*> CControlSelFormView::tickedUnits() const {
    std::vector<StrobeData*> ticked;
    if (m_model == nullptr)
        return ticked;
    for (StrobeData* unit : ShownUnits(*m_model)) {
        if (unit->bChSelect == 1)
            ticked.push_back(unit);
    }
    return ticked;
}

void CControlSelFormView::showFlashOffset() {
    m_flashText->SetValueText(FormatPowerOffset(m_flashOffset));
}

void CControlSelFormView::showModelOffset() {
    m_modelText->SetValueText(FormatPowerOffset(m_modelOffset));
}

void CControlSelFormView::Reset() {
    m_flashOffset = m_cell = m_sound = m_power = 0;
    showFlashOffset();
    setSlider(m_flashSlider, kOffsetSliderCentre);
    m_modelOffset = 0;
    m_link = m_continuous = -1;
    m_modelOff = 0;
    showModelOffset();
    setSlider(m_modelSlider, kOffsetSliderCentre);
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{m_cellBox, m_soundBox, m_powerButton, m_free,
                                                 m_prop, m_continous, m_flashProp, m_offBox})
        button->setChecked(false);
    m_dragStarted = 0;
    m_appliedFlashOffset = m_appliedModelOffset = 0;
}

void CControlSelFormView::OnSpinStep(bool flash, int change) {
    int& driver = flash ? m_flashOffset : m_modelOffset;
    int& follower = flash ? m_modelOffset : m_flashOffset;
    const int stepped = StepOffset(driver, change);
    if (stepped == driver)
        return;
    driver = stepped;
    if (m_link == 1)
        follower = FollowOffsetStep(follower, change);
    if (flash || m_link == 1) {
        setSlider(m_flashSlider, OffsetSliderPosition(m_flashOffset));
        showFlashOffset();
    }
    if (!flash || m_link == 1) {
        setSlider(m_modelSlider, OffsetSliderPosition(m_modelOffset));
        showModelOffset();
    }
    Apply(flash);
}

void CControlSelFormView::OnSliderDrag(bool flash, int position) {
    if (position == 0)
        return;
    COXCoolSliderCtrl* driving = flash ? m_flashSlider : m_modelSlider;
    COXCoolSliderCtrl* following = flash ? m_modelSlider : m_flashSlider;
    int& driver = flash ? m_flashOffset : m_modelOffset;
    int& follower = flash ? m_modelOffset : m_flashOffset;
    int offset = OffsetOfSliderPosition(position);
    if (m_dragStarted == 0) {
        m_dragStarted = 1;
        // A click on the centred thumb nudges it one position; that is no move.
        if (offset == 1 && driver == 0) {
            setSlider(driving, kOffsetSliderCentre);
            offset = 0;
        }
    }
    // The panel follows the thumb on screen; the release applies.
    const int old = driver;
    driver = offset;
    if (m_link == 1) {
        follower = FollowOffsetMove(follower, offset - old);
        setSlider(following, MoveOffsetSlider(following->sliderPosition(), offset - old));
    }
    if (flash || m_link == 1)
        showFlashOffset();
    if (!flash || m_link == 1)
        showModelOffset();
}

void CControlSelFormView::OnSliderRelease(bool flash) {
    COXCoolSliderCtrl* driving = flash ? m_flashSlider : m_modelSlider;
    COXCoolSliderCtrl* following = flash ? m_modelSlider : m_flashSlider;
    int& driver = flash ? m_flashOffset : m_modelOffset;
    int& follower = flash ? m_modelOffset : m_flashOffset;
    const int remembered = driver;
    driver = OffsetOfSliderPosition(driving->sliderPosition());
    if (m_link == 1) {
        follower = FollowOffsetMove(follower, driver - remembered);
        setSlider(following, MoveOffsetSlider(following->sliderPosition(), driver - remembered));
    }
    if (flash || m_link == 1)
        showFlashOffset();
    if (!flash || m_link == 1)
        showModelOffset();
    m_dragStarted = 0;
    Apply(flash);
}

void CControlSelFormView::Apply(bool flashChanged) {
    const int flashChange = m_flashOffset - m_appliedFlashOffset;
    const int modelChange = m_modelOffset - m_appliedModelOffset;
    m_appliedFlashOffset = m_flashOffset;
    m_appliedModelOffset = m_modelOffset;
    const std::vector<StrobeData*> ticked = tickedUnits();
    for (StrobeData* unit : ticked) {
        // A proportional modelling lamp moves both levels by whichever offset was changed.
        const bool prop = unit->nModelMode1 == 1;
        unit->nFlashValue =
            ApplyOffsetChange(unit->nFlashValue, prop && !flashChanged ? modelChange : flashChange);
        unit->nModelValue =
            ApplyOffsetChange(unit->nModelValue, prop && flashChanged ? flashChange : modelChange);
    }
    if (ticked.empty())
        return;
    if (m_protocol != nullptr)
        m_protocol->SendStudioLevels(flashChanged ? LEVELS_FLASH : LEVELS_MODEL,
                                     StudioOfNode(m_model->pCurNode));
    PostMessage(m_navigationPane ? m_navigationPane() : nullptr, Msg::NavGroupChange,
                CHANGE_MODEL_LEVEL, 0);
}

void CControlSelFormView::OnButton(int id, bool checked) {
    const int tick = checked ? 1 : 0;
    int StrobeData::*field = nullptr;
    int value = tick;
    int type = 0;
    int code = CHANGE_NONE;
    auto pair = [](QRadioButton* chosen, QRadioButton* other) {
        other->setChecked(false);
        chosen->setChecked(true);
    };
    switch (id) {
    case IDC_CELL:
        m_cell = tick;
        field = &StrobeData::bFlashCell;
        type = CMD_FLASH_CELL;
        code = CHANGE_FLASH_CELL;
        break;
    case IDC_SOUND:
        m_sound = tick;
        field = &StrobeData::bFlashSnd;
        type = CMD_FLASH_SOUND;
        code = CHANGE_FLASH_SOUND;
        break;
    case IDC_POWER:
        m_power = tick;
        field = &StrobeData::bFlashPow;
        type = CMD_FLASH_POWER;
        code = CHANGE_FLASH_POWER;
        break;
    case IDC_TEST:
        type = CMD_TEST_FLASH;
        break;
    case IDC_FREE:
    case IDC_PROP:
        m_link = value = id == IDC_PROP ? 1 : 0;
        pair(m_link != 0 ? m_prop : m_free, m_link != 0 ? m_free : m_prop);
        field = &StrobeData::nModelMode1;
        type = CMD_MODEL_MODE1;
        code = CHANGE_MODEL_MODE1;
        break;
    case IDC_CONTINOUS:
    case IDC_FLASH_PROP:
        m_continuous = value = id == IDC_CONTINOUS ? 1 : 0;
        pair(m_continuous != 0 ? m_continous : m_flashProp,
             m_continuous != 0 ? m_flashProp : m_continous);
        field = &StrobeData::nModelMode2;
        type = CMD_MODEL_MODE2;
        code = CHANGE_MODEL_MODE2;
        break;
    case IDC_OFF:
        m_modelOff = tick;
        value = 1 - tick;
        field = &StrobeData::bModelPow;
        type = CMD_MODEL_POWER;
        code = CHANGE_MODEL_POWER;
        break;
    default:
        return;
    }
    std::uint16_t mask = 0;
    const StrobeData* last = nullptr;
    for (StrobeData* unit : tickedUnits()) {
        mask |= MaskFromChannel(unit->nChNum);
        if (field != nullptr)
            unit->*field = value;
        last = unit;
    }
    if (last == nullptr)
        return;
    // The value byte comes from the last ticked unit, which holds the value just set.
    if (m_protocol != nullptr)
        m_protocol->SendUnitCommand(mask, last, type);
    if (code != CHANGE_NONE)
        PostMessage(m_navigationPane ? m_navigationPane() : nullptr, Msg::NavGroupChange, code, 0);
}

} // namespace lumadesk
