#include "panels/CControlSelFormView.h"

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "link/FrameTypes.h"
#include "model/LinkedValues.h"
#include "model/PowerValues.h"
#include "model/StudioModel.h"
#include "panels/CControlFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserButton.h"
#include "panels/CUserStatic.h"
#include "panels/PanelSettingTable.h"
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
#include <QStringList>
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
    m_groups = createPowerGroups(this, BaseUnitsOf(formFont),
                                 {.top = 5,
                                  .word = QStringLiteral("offset"),
                                  .startText = FormatPowerOffset(0),
                                  .lowestTyped = kLowestOffset,
                                  .highestTyped = kHighestOffset,
                                  .sliderLow = kOffsetSliderLow,
                                  .sliderHigh = kOffsetSliderHigh,
                                  .sliderStart = kOffsetSliderCentre});
    const PowerGroupControls& g = m_groups;

    connectPowerGroups(g, this,
                       {[this](bool flash, int change) { OnSpinStep(flash, change); },
                        [this](bool flash) { OnSliderRelease(flash); },
                        [this](bool flash, int position) { OnSliderDrag(flash, position); },
                        // A typed offset is the slider put there and released.
                        [this](bool flash, int offset) {
                            setSlider(flash ? m_groups.flashSlider : m_groups.modelSlider,
                                      OffsetSliderPosition(offset));
                            OnSliderRelease(flash);
                        },
                        [this](int id, bool checked) { OnButton(id, checked); }});
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
    m_actions = links.actions;
    // Every change, whoever made it (a phone, undo, this panel), may move a ticked head's power.
    if (m_actions != nullptr)
        connect(m_actions, &OperatorActions::changed, this, &CControlSelFormView::showTickedPower);
}

void CControlSelFormView::showTickedPower() {
    QStringList on;
    QStringList off;
    for (const StrobeData* unit : tickedUnits())
        (unit->bFlashPow != 0 ? on : off) << unit->sChName;
    CUserButton* power = m_groups.powerButton;
    power->setChecked(!on.isEmpty() && off.isEmpty());
    power->setMixed(!on.isEmpty() && !off.isEmpty());
    QString tip;
    if (power->isMixed())
        tip = QStringLiteral("Power differs: on for %1, off for %2; a click turns it on for all")
                  .arg(on.join(QStringLiteral(", ")), off.join(QStringLiteral(", ")));
    else if (on.isEmpty() && off.isEmpty())
        tip = QStringLiteral("No heads ticked");
    power->setToolTip(tip);
    power->setAccessibleDescription(tip);
    // Which studio's heads it moves.
    const StudioData* shown = studio();
    setAccessibleDescription(
        shown != nullptr ? QStringLiteral("Acts on the ticked heads of %1").arg(shown->sStudioName)
                         : QStringLiteral("No studio chosen"));
}

StudioData* CControlSelFormView::studio() const {
    return m_model != nullptr ? StudioOfNode(m_model->pCurNode) : nullptr;
}

std::vector<StrobeData*> CControlSelFormView::tickedUnits() const {
    // The one rule of every face: the heads whose boxes show ticked, of the studio shown.
    return TickedUnits(studio());
}

void CControlSelFormView::showFlashOffset() {
    m_groups.flashText->SetValueText(FormatPowerOffset(m_flashOffset));
}

void CControlSelFormView::showModelOffset() {
    m_groups.modelText->SetValueText(FormatPowerOffset(m_modelOffset));
}

void CControlSelFormView::Reset() {
    m_flashOffset = 0;
    showFlashOffset();
    setSlider(m_groups.flashSlider, kOffsetSliderCentre);
    m_modelOffset = 0;
    m_link = -1;
    showModelOffset();
    setSlider(m_groups.modelSlider, kOffsetSliderCentre);
    m_appliedFlashOffset = m_appliedModelOffset = 0;
    showReach();
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             m_groups.cellBox, m_groups.soundBox, m_groups.free, m_groups.prop, m_groups.continous,
             m_groups.flashProp, m_groups.offBox})
        button->setChecked(false);
    showTickedPower();
    m_dragStarted = 0;
}

LinkedValues CControlSelFormView::linkedOffsets() const {
    return {LinkedValues::Kind::Offsets, m_flashOffset, m_modelOffset, m_link == 1};
}

void CControlSelFormView::showLinked(const LinkedValues& offsets, LinkedValues::Moved moved) {
    m_flashOffset = offsets.flash;
    m_modelOffset = offsets.model;
    if (moved.flash)
        showFlashOffset();
    if (moved.model)
        showModelOffset();
}

void CControlSelFormView::OnSpinStep(bool flash, int change) {
    LinkedValues offsets = linkedOffsets();
    const LinkedValues::Moved moved = offsets.step(flash, change);
    const int stepped = flash ? offsets.flash : offsets.model;
    if (!moved.any() || withinReach(flash, stepped) != stepped)
        return; // kept ratios: no head may be held
    showLinked(offsets, moved);
    if (moved.flash)
        setSlider(m_groups.flashSlider, OffsetSliderPosition(m_flashOffset));
    if (moved.model)
        setSlider(m_groups.modelSlider, OffsetSliderPosition(m_modelOffset));
    Apply(flash);
}

void CControlSelFormView::OnSliderDrag(bool flash, int position) {
    if (position == 0)
        return;
    COXCoolSliderCtrl* driving = flash ? m_groups.flashSlider : m_groups.modelSlider;
    int offset = OffsetOfSliderPosition(position);
    if (m_dragStarted == 0) {
        m_dragStarted = 1;
        // A click on the centred thumb nudges it one position; that is no move.
        if (offset == 1 && (flash ? m_flashOffset : m_modelOffset) == 0) {
            setSlider(driving, kOffsetSliderCentre);
            offset = 0;
        }
    }
    // The panel follows the thumb on screen; the release applies.
    moveDriver(flash, offset);
}

void CControlSelFormView::OnSliderRelease(bool flash) {
    COXCoolSliderCtrl* driving = flash ? m_groups.flashSlider : m_groups.modelSlider;
    moveDriver(flash, OffsetOfSliderPosition(driving->sliderPosition()));
    m_dragStarted = 0;
    Apply(flash);
}

void CControlSelFormView::moveDriver(bool flash, int offset) {
    offset = withinReach(flash, offset);
    COXCoolSliderCtrl* following = flash ? m_groups.modelSlider : m_groups.flashSlider;
    LinkedValues offsets = linkedOffsets();
    const int delta = offset - (flash ? offsets.flash : offsets.model);
    const LinkedValues::Moved moved = offsets.moveTo(flash, offset);
    if (offsets.linked)
        setSlider(following, MoveOffsetSlider(following->sliderPosition(), delta));
    showLinked(offsets, moved);
}

void CControlSelFormView::Apply(bool flashChanged) {
    const int flashChange = m_flashOffset - m_appliedFlashOffset;
    const int modelChange = m_modelOffset - m_appliedModelOffset;
    m_appliedFlashOffset = m_flashOffset;
    m_appliedModelOffset = m_modelOffset;
    const std::vector<StrobeData*> ticked = tickedUnits();
    const std::vector<HeadSnapshot> before = SnapshotsOf(ticked);
    std::vector<std::pair<QString, int>> levels;
    for (const StrobeData* unit : ticked)
        levels.emplace_back(unit->sChName, flashChanged ? unit->nFlashValue : unit->nModelValue);
    const std::vector<HeldHead> held =
        HeldByOffset(levels, flashChanged ? flashChange : modelChange);
    for (StrobeData* unit : ticked)
        ApplyGroupOffset(*unit, flashChanged, flashChange, modelChange);
    showHeld(flashChanged, held);
    StudioData* shown = studio();
    if (ticked.empty() || shown == nullptr || m_actions == nullptr)
        return;
    m_actions->groupLevelsChanged(*shown, before, flashChanged ? LEVELS_FLASH : LEVELS_MODEL,
                                  flashChanged ? flashChange : modelChange);
    showReach();
    // Said after the step, so the pane's last word is what the heads did not take.
    if (!held.empty())
        m_actions->tell(HeldText(held));
}

void CControlSelFormView::setKeepRatios(bool keep) {
    m_keepRatios = keep;
    showReach();
}

std::pair<int, int> CControlSelFormView::reach(bool flash) const {
    std::vector<int> levels;
    for (const StrobeData* unit : tickedUnits()) {
        // A proportional lamp, or the panel's own link, moves the other level with this one.
        const bool both = m_link == 1 || unit->nModelMode1 == 1;
        if (flash || both)
            levels.push_back(unit->nFlashValue);
        if (!flash || both)
            levels.push_back(unit->nModelValue);
    }
    const auto [low, high] = OffsetReach(levels);
    const int applied = flash ? m_appliedFlashOffset : m_appliedModelOffset;
    return {std::max(kLowestOffset, applied + low), std::min(kHighestOffset, applied + high)};
}

int CControlSelFormView::withinReach(bool flash, int offset) const {
    if (!m_keepRatios)
        return offset;
    const auto [low, high] = reach(flash);
    return std::clamp(offset, std::min(low, 0), std::max(high, 0));
}

void CControlSelFormView::showReach() {
    for (const bool flash : {true, false}) {
        COXCoolSliderCtrl* slider = flash ? m_groups.flashSlider : m_groups.modelSlider;
        const QSignalBlocker quiet(slider);
        if (!m_keepRatios) {
            slider->setRange(kOffsetSliderLow, kOffsetSliderHigh);
            continue;
        }
        const auto [low, high] = reach(flash);
        slider->setRange(OffsetSliderPosition(std::min(low, 0)),
                         OffsetSliderPosition(std::max(high, 0)));
    }
}

void CControlSelFormView::showHeld(bool flash, const std::vector<HeldHead>& held) {
    CUserStatic* value = flash ? m_groups.flashText : m_groups.modelText;
    if (value == nullptr)
        return;
    QStringList heads;
    for (const HeldHead& head : held)
        heads << QStringLiteral("%1 at %2")
                     .arg(head.head, QString::number(head.heldAt / 10.0, 'f', 1));
    const QString tip = heads.isEmpty() ? QString()
                                        : QStringLiteral("Held at a limit by the last step: %1")
                                              .arg(heads.join(QStringLiteral(", ")));
    value->setToolTip(tip);
    value->setAccessibleDescription(tip);
}

void CControlSelFormView::OnButton(int id, bool checked) {
    const UnitSetting* setting = SettingOfButton(id);
    const PanelSetting* panel = setting != nullptr ? PanelSettingOf(*setting) : nullptr;
    if (panel == nullptr)
        return;
    const int value = ButtonValue(*panel, id, checked);
    if (panel->buttonForZero != IDC_NONE) {
        // Neither of a pair is ticked until one is clicked.
        QAbstractButton* on = ButtonOf(m_groups, panel->button);
        QAbstractButton* off = ButtonOf(m_groups, panel->buttonForZero);
        (value == 1 ? off : on)->setChecked(false);
        (value == 1 ? on : off)->setChecked(true);
    }
    if (setting->member == &StrobeData::nModelMode1)
        m_link = value; // the offsets move together while "Prop" is chosen
    const std::vector<StrobeData*> ticked = tickedUnits();
    const std::vector<HeadSnapshot> before = SnapshotsOf(ticked);
    for (StrobeData* unit : ticked) {
        if (setting->member != nullptr)
            unit->*setting->member = value;
    }
    if (!ticked.empty() && m_actions != nullptr)
        m_actions->groupSwitched(ticked, setting->commandType, before);
    else if (setting->member == &StrobeData::bFlashPow)
        showTickedPower(); // no head took it
}

} // namespace lumadesk
