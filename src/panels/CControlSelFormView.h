#pragma once

#include "model/LinkedValues.h"
#include "panels/PowerGroups.h"

#include <QWidget>
#include <functional>
#include <vector>

class QAbstractButton;

namespace lumadesk {

struct HeldHead;

class CZbProtocol;
class OperatorActions;
struct ControlPanelLinks;
struct StrobeData;
struct StudioData;
struct StudioModel;

// The selected-units panel, laid over the remote control panel's power groups while "Selected
// unit(s) settings" is chosen. It changes every unit ticked in the grid at once: the two values
// are offsets that move each ticked unit's levels (one studio levels frame), the switches are
// set on all of them (one unit command to the combined mask). Its values are offsets, not unit
// settings, so it follows no reports; it never disables or hides its own controls. Being a
// child widget and not a dialog, Enter and Escape go to the focused control and close nothing.
class CControlSelFormView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogWidth = 205;
    static constexpr int kDialogHeight = 120;

    explicit CControlSelFormView(QWidget* parent = nullptr);

    // Takes the model, the protocol and the navigation pane's look-up; owns none of them.
    void OnInitialUpdate(const lumadesk::ControlPanelLinks& links);

    // Offsets back to "0.0" and no switch chosen, but "Power On" as the ticked heads hold it;
    // called before every showing.
    virtual void Reset();
    // "Power On" shows the ticked heads' power: on when all are on, off when all are off (or
    // none is ticked), "Power" alone when they differ, with who holds what in its tip.
    void showTickedPower();
    // The studio whose ticked heads it moves (the current node's), or null.
    StudioData* studio() const;
    // Keep ratios: the offsets stay within what every ticked head can take, so no head is ever
    // held at 1.1 or 8.1 and going back to 0.0 returns each exactly; the sliders' reach shows it.
    void setKeepRatios(bool keep);
    bool keepsRatios() const { return m_keepRatios; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    std::vector<StrobeData*> tickedUnits() const;
    void showFlashOffset();
    void showModelOffset();

    // The two offsets as one linked pair; what moved is shown.
    LinkedValues linkedOffsets() const;
    void showLinked(const LinkedValues& offsets, LinkedValues::Moved moved);
    // The driver's offset from its slider, the linked follower's slider moved as far.
    void moveDriver(bool flash, int offset);
    void OnSpinStep(bool flash, int change);
    void OnSliderDrag(bool flash, int position);
    void OnSliderRelease(bool flash);
    void Apply(bool flashChanged);
    // The offsets (tenths) the driver may reach while ratios are kept: from the applied offset,
    // as far as the ticked heads that move with it can go.
    std::pair<int, int> reach(bool flash) const;
    int withinReach(bool flash, int offset) const;
    void showReach();
    // The offset value's tool tip names the heads the last step held at a limit.
    void showHeld(bool flash, const std::vector<HeldHead>& held);
    void OnButton(int id, bool checked);

    // Panel state.
    int m_flashOffset = 0;
    int m_modelOffset = 0;
    int m_link = -1;
    int m_dragStarted = 0;
    int m_appliedFlashOffset = 0;
    int m_appliedModelOffset = 0;
    bool m_keepRatios = false;

    StudioModel* m_model = nullptr;
    OperatorActions* m_actions = nullptr;

    lumadesk::PowerGroupControls m_groups;
};

} // namespace lumadesk
