#include "panels/CControlFormView.h"

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "link/CZbProtocol.h"
#include "link/CommandFrames.h"
#include "link/MemoryApply.h"
#include "link/PendingValues.h"
#include "model/BusinessMemory.h"
#include "model/LinkedValues.h"
#include "model/PowerValues.h"
#include "model/Stops.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserButton.h"
#include "panels/CUserStatic.h"
#include "panels/PanelSettingTable.h"
#include "panels/PowerGroups.h"
#include "platform/ChangeCode.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "ui/COXSeparator.h"
#include "ui/ConfirmationLook.h"
#include "ui/DialogFont.h"
#include "ui/FrameClock.h"
#include "ui/PlainText.h"
#include "ui/StopsWords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <tuple>

namespace lumadesk {

namespace {

const QString kSettingsOne = QStringLiteral("Flash/Model settings");
const QString kSettingsSelected = QStringLiteral("Selected unit(s) settings");
const QString kMemoryTitle = QStringLiteral("Business Memory");

// Window origin of the selected-units panel, in pixels of this panel.
constexpr QPoint kSelectionOrigin(0, 38);

} // namespace

// The file list as the set-up files see it.
class CControlFormView::FileList : public FileListSink {
public:
    explicit FileList(QTreeWidget* list) : m_list(list) {}
    void clear() override { m_list->clear(); }
    void append(const QString& name) override { new QTreeWidgetItem(m_list, QStringList{name}); }

private:
    QTreeWidget* m_list;
};

CControlFormView::CControlFormView(QWidget* parent)
    : CFormPane(QStringLiteral("Remote Control"), Msg::CtrlCurrentUnit, Msg::CtrlLoadCommand,
                parent) {
    createControls();
}

CControlFormView::~CControlFormView() {
    if (m_links.files != nullptr && m_links.files->pFileList == m_fileSink.get())
        m_links.files->pFileList = nullptr;
}

void CControlFormView::createControls() {
    // The form lays itself out from its template, not by the pane's column.
    delete layout();
    const QFont formFont = FormFont(QStringLiteral("Arial"), 8);
    setFont(formFont);
    const DialogBaseUnits units = BaseUnitsOf(formFont);

    auto place = [&](QWidget* control, int x, int y, int w, int h, const QString& name) {
        PlaceControl(control, QRect(x, y, w, h), units);
        control->setAccessibleName(name);
        return control;
    };

    COXSeparator* title = captionControl();
    place(title, 5, 5, 97, 8, title->text());
    // The caption font is taller than its line of the template; it grows downward, unclipped.
    title->resize(title->width(), std::max(title->height(), title->minimumSizeHint().height()));

    m_combo = new QComboBox(this);
    m_combo->addItems({kSettingsOne, kSettingsSelected});
    place(m_combo, 110, 5, 90, 30, QStringLiteral("Settings mode"));
    // Fonts wider than the template's would clip "Selected unit(s) settings": grow rightward,
    // into the margin, rather than cut it.
    m_combo->resize(std::max(m_combo->width(), m_combo->sizeHint().width()),
                    m_combo->sizeHint().height());

    // The template's empty line under the caption names the head the panel edits.
    m_headLine = new QLabel(this);
    m_headLine->setTextFormat(Qt::PlainText); // names are shown as typed, never as markup
    place(m_headLine, 5, 14, 100, 8, QStringLiteral("Current head"));
    {
        const QRect line = m_headLine->geometry();
        const int top = std::max(line.top(), title->geometry().bottom() + 1);
        m_headLine->setGeometry(
            line.left(), top, m_combo->geometry().right() - line.left(),
            std::min(m_headLine->fontMetrics().height(), kSelectionOrigin.y() - top));
    }
    m_groups = createPowerGroups(this, units,
                                 {.top = 27,
                                  .word = QStringLiteral("level"),
                                  .startText = QStringLiteral("0.0"),
                                  .lowestTyped = kLowestLevel,
                                  .highestTyped = kHighestLevel,
                                  .sliderLow = kLevelSliderLow,
                                  .sliderHigh = kLevelSliderHigh,
                                  .sliderStart = std::nullopt});
    const PowerGroupControls& g = m_groups;
    // The marks sit between the value fields and their spin buttons, clear of the digits.
    m_flashMark = new ConfirmationMark(QStringLiteral("Flash level confirmation"), this);
    m_modelMark = new ConfirmationMark(QStringLiteral("Model level confirmation"), this);
    for (auto [mark, field, spin] : {std::tuple{m_flashMark, g.flashText, g.flashSpin},
                                     {m_modelMark, g.modelText, g.modelSpin}})
        mark->move(spin->geometry().left() - ConfirmationMark::kSize - 1,
                   field->geometry().top() + 2);
    auto* memoryGroup = new QGroupBox(kMemoryTitle, this);
    memoryGroup->setStyleSheet(groupBoxStyle());
    place(memoryGroup, 5, 140, 195, 85, memoryGroup->title());

    m_fileList = new QTreeWidget(this);
    m_fileList->setColumnCount(1);
    m_fileList->setHeaderLabels({QStringLiteral("File name")});
    m_fileList->setHeaderHidden(true);
    m_fileList->setRootIsDecorated(false);
    m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileList->setColumnWidth(0, 100);
    m_fileList->header()->setStretchLastSection(false);
    place(m_fileList, 12, 150, 80, 55, QStringLiteral("Business Memory files"));
    m_fileName = new QLineEdit(this);
    place(m_fileName, 12, 209, 80, 12, QStringLiteral("File name"));
    m_infoBox = new QPlainTextEdit(this);
    m_infoBox->setReadOnly(true);
    m_infoBox->setTabChangesFocus(true);
    m_infoBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    place(m_infoBox, 96, 150, 98, 71, QStringLiteral("File info"));
    m_fileSink = std::make_unique<FileList>(m_fileList);

    m_selection = new CControlSelFormView(this);
    const QRect selection = DialogRectToPixels(
        QRect(0, 0, CControlSelFormView::kDialogWidth, CControlSelFormView::kDialogHeight), units);
    m_selection->setGeometry(QRect(kSelectionOrigin, selection.size()));
    m_selection->hide();
    // Beside the mode box, under it, while the offsets are shown: theirs is the only reach.
    m_keepRatios = new QCheckBox(QStringLiteral("Keep ratios"), this);
    place(m_keepRatios, 112, 18, 88, 9, QStringLiteral("Keep ratios"));
    // Right-aligned under the mode box, below the head line and above the groups' frames.
    m_keepRatios->resize(m_keepRatios->sizeHint());
    m_keepRatios->move(m_combo->geometry().right() + 1 - m_keepRatios->width(),
                       m_headLine->geometry().bottom() + 1);
    m_keepRatios->setToolTip(QStringLiteral(
        "Limit the offsets to what every ticked head can take, so no head is held at 1.1 or 8.1 "
        "and going back to 0.0 returns each exactly"));
    m_keepRatios->setAccessibleDescription(m_keepRatios->toolTip());
    m_keepRatios->hide();
    connect(m_keepRatios, &QCheckBox::toggled, m_selection, &CControlSelFormView::setKeepRatios);
    // Tab goes from the combo box into whichever of the two sets of power controls is shown.
    QWidget* previous = m_combo;
    for (QWidget* control : m_selection->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if ((control->focusPolicy() & Qt::TabFocus) != 0) {
            QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }

    m_powerControls = {m_combo,       g.flashText, g.flashSpin,   g.flashSlider,
                       g.cellBox,     g.soundBox,  g.powerButton, g.testButton,
                       g.free,        g.prop,      g.modelText,   g.modelSpin,
                       g.modelSlider, g.continous, g.flashProp,   g.offBox};

    connectPowerGroups(g, this,
                       {[this](bool flash, int change) { OnSpinStep(flash, change); },
                        [this](bool flash) { OnSliderRelease(flash); },
                        [this](bool flash, int position) { OnSliderDrag(flash, position); },
                        [this](bool flash, int level) { OnTypedLevel(flash, level); },
                        [this](int id, bool checked) { OnButton(id, checked); }});
    connect(m_combo, &QComboBox::activated, this, &CControlFormView::OnModeChange);
    connect(m_fileList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { OnPreview(item); });
    connect(m_fileName, &QLineEdit::textChanged, this,
            [this] { SendMessage(m_links.frame, Msg::FrameEnableCommand, Msg::CMD_SAVE, 1); });
}

void CControlFormView::OnInitialUpdate(const ControlPanelLinks& links) {
    if (m_links.model != nullptr)
        disconnect(&m_links.model->news, nullptr, this, nullptr);
    m_links = links;
    m_mode = 0;
    m_selection->OnInitialUpdate(links);
    if (m_links.model != nullptr) {
        const ModelNews& news = m_links.model->news;
        connect(&news, &ModelNews::headChanged, this, &CControlFormView::onHeadChanged);
        connect(&news, &ModelNews::keyChanged, this, [this] { showHeadLine(); });
        // Another face (a phone) may tick heads: the group line names them.
        connect(&news, &ModelNews::ticksChanged, this, [this] {
            showHeadLine();
            m_selection->showTickedPower();
        });
    }
    // No head is current yet: the fields keep their "0.0", but nothing may act on a head.
    SetControls(Enabling::AllOff);
    m_combo->setEnabled(true);
    ShowConfirmation();
    if (m_links.files != nullptr) {
        m_links.files->pModel = m_links.model;
        m_links.files->pDoc = nullptr;
        m_links.files->pFileList = m_fileSink.get();
        ListMemoryFiles(m_links.files);
    }
}

StrobeData* CControlFormView::selectedUnit() const {
    return m_links.model != nullptr ? UnitOfNode(m_links.model->pCurNode) : nullptr;
}

QObject* CControlFormView::navigationPane() const {
    return m_links.navigationPane ? m_links.navigationPane() : nullptr;
}

void CControlFormView::sendAndPost(StrobeData* unit, int type, const HeadSnapshot& before) {
    if (m_links.actions != nullptr && type == CMD_TEST_FLASH)
        m_links.actions->testFlash(*unit);
    else if (m_links.actions != nullptr)
        m_links.actions->unitChanged(*unit, type, before);
    ShowConfirmation();
}

void CControlFormView::ShowConfirmation() {
    const PendingValues* book = m_links.protocol != nullptr ? m_links.protocol->Pending() : nullptr;
    const StrobeData* unit = selectedUnit();
    auto show = [&](ConfirmationMark* mark, std::initializer_list<int StrobeData::*> members) {
        Confirmation state = Confirmation::Confirmed;
        QStringList words;
        for (int StrobeData::*member : members) {
            const UnitSetting* setting = SettingOfMember(member);
            if (book == nullptr || unit == nullptr || setting == nullptr)
                continue;
            state = std::max(state, book->stateOf(*unit, member));
            if (const QString note = book->noteOf(*unit, *setting); !note.isEmpty())
                words << note;
        }
        mark->show(state, words.join(QStringLiteral("; ")));
    };
    show(m_flashMark, {&StrobeData::nFlashValue});
    // The model field also shows "OFF" for the lamp.
    show(m_modelMark, {&StrobeData::nModelValue, &StrobeData::bModelPow});
    showHeadLine();
}

QString CControlFormView::headLine() const {
    if (m_mode == 1) {
        // The heads the group panel moves: the ticked ones of the studio shown.
        const StudioData* studio =
            m_links.model != nullptr ? StudioOfNode(m_links.model->pCurNode) : nullptr;
        QStringList ticked;
        for (const StrobeData* unit : TickedUnits(studio))
            ticked << unit->sChName;
        // It says plainly that the group's values are offsets, not levels, and which heads of
        // which studio they move.
        if (ticked.isEmpty())
            return QStringLiteral("No heads ticked: tick heads in the grid");
        return QStringLiteral("Offsets for %1 of %2 (%3 %4)")
            .arg(ticked.join(QStringLiteral(", ")), studio->sStudioName)
            .arg(ticked.size())
            .arg(ticked.size() == 1 ? QStringLiteral("head") : QStringLiteral("heads"));
    }
    const StrobeData* unit = selectedUnit();
    if (unit == nullptr)
        return QStringLiteral("No head chosen");
    QString line = QStringLiteral("%1 %2").arg(unit->sChName, unit->sModelName) + RoleSuffix(*unit);
    // Beside the name, where the key's other heads stand from it.
    const auto* studio = static_cast<const StudioData*>(unit->pParent);
    if (const auto stops = StopsFromKey(studio, *unit, m_links.model->dStopsPerStep);
        stops && KeyUnitOf(studio) != unit)
        line += QStringLiteral(" \u00B7 %1 (%2)").arg(StopsText(stops), RatioText(stops));
    return line;
}

void CControlFormView::showHeadLine() {
    const QString line = headLine();
    if (m_headLine->accessibleDescription() == line)
        return;
    // Many ticked heads may not fit: the tip and the reader get the whole line.
    m_headLine->setText(
        m_headLine->fontMetrics().elidedText(line, Qt::ElideMiddle, m_headLine->width()));
    m_headLine->setToolTip(PlainToolTip(line));
    m_headLine->setAccessibleDescription(line);
}

void CControlFormView::SetControls(Enabling code) {
    switch (code) {
    case Enabling::AllOff:
    case Enabling::AllOn:
        for (QWidget* control : m_powerControls)
            control->setEnabled(code == Enabling::AllOn);
        break;
    case Enabling::PowerOff:
        for (QWidget* control : m_powerControls)
            control->setEnabled(control == m_combo || control == m_groups.powerButton);
        break;
    case Enabling::ByPower:
        if (!m_groups.powerButton->isChecked())
            SetControls(Enabling::PowerOff);
        else if (m_mode == 0)
            SetControls(Enabling::AllOn);
        break;
    case Enabling::OwnShown:
    case Enabling::SelectionShown: {
        const bool own = code == Enabling::OwnShown;
        m_selection->setVisible(!own);
        m_keepRatios->setVisible(!own);
        if (!own) {
            m_selection->raise();
            m_keepRatios->raise(); // its row lies over the panel's top margin
        }
        for (QWidget* control : m_powerControls) {
            if (control != m_combo)
                control->setVisible(own);
        }
        break;
    }
    }
}

void CControlFormView::showFlashLevel() {
    m_groups.flashText->SetValueText(FormatPowerLevel(m_flashLevel));
}

void CControlFormView::showModelLevel() {
    m_groups.modelText->SetValueText(m_groups.offBox->isChecked() ? QStringLiteral("OFF")
                                                                  : FormatPowerLevel(m_modelLevel));
}

void CControlFormView::showLevels(const StrobeData& unit) {
    m_flashLevel = unit.nFlashValue;
    showFlashLevel();
    setSlider(m_groups.flashSlider, m_flashLevel);
    m_modelLevel = unit.nModelValue;
    showModelLevel();
    setSlider(m_groups.modelSlider, m_modelLevel);
}

void CControlFormView::showSwitch(const UnitSetting& setting, int value) {
    const PanelSetting* panel = PanelSettingOf(setting);
    if (panel == nullptr)
        return;
    QAbstractButton* on = ButtonOf(m_groups, panel->button);
    if (panel->buttonForZero != IDC_NONE) {
        QAbstractButton* off = ButtonOf(m_groups, panel->buttonForZero);
        // Only a real change touches the pair: unticking and ticking again redraws both.
        QAbstractButton* other = value == 1 ? off : on;
        QAbstractButton* wanted = value == 1 ? on : off;
        if (other->isChecked())
            other->setChecked(false);
        if (!wanted->isChecked())
            wanted->setChecked(true);
    } else {
        on->setChecked(ButtonTicked(*panel, panel->button, value));
    }
    if (panel->gatesControls) {
        showModelLevel();
        SetControls(Enabling::ByPower);
    }
}

void CControlFormView::Reset() {
    m_flashLevel = 11;
    m_groups.flashText->SetValueText(QString());
    setSlider(m_groups.flashSlider, m_flashLevel);
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(m_groups.cellBox),
                                    static_cast<QAbstractButton*>(m_groups.soundBox),
                                    static_cast<QAbstractButton*>(m_groups.powerButton)})
        button->setChecked(false);

    m_modelLevel = 11;
    m_groups.modelText->SetValueText(QString());
    setSlider(m_groups.modelSlider, m_modelLevel);
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(m_groups.free),
                                    static_cast<QAbstractButton*>(m_groups.prop),
                                    static_cast<QAbstractButton*>(m_groups.continous),
                                    static_cast<QAbstractButton*>(m_groups.flashProp),
                                    static_cast<QAbstractButton*>(m_groups.offBox)})
        button->setChecked(false);

    if (m_mode == 1) {
        SetControls(Enabling::OwnShown);
        m_combo->setCurrentIndex(0);
        m_mode = 0;
    }
    SetControls(Enabling::AllOff);
    ShowConfirmation();
}

void CControlFormView::ShowNoUnit() {
    const int mode = m_mode;
    m_mode = 0; // Reset would switch the group mode off; it stays as the operator chose it
    Reset();
    m_mode = mode;
    m_combo->setEnabled(true);
    showHeadLine(); // Reset's line was the single head's
}

void CControlFormView::onHeadChanged(int studio, int channel, quint32 mask) {
    const StrobeData* unit = selectedUnit();
    // The head line's stops move with any head of the studio: the key may be the one.
    if (constexpr ValueMask stopsMask =
            kNamesMask | MaskOf(CHANGE_FLASH_LEVEL) | MaskOf(CHANGE_FLASH_POWER);
        unit != nullptr && (mask & stopsMask) != 0 &&
        shownStudioNumber(*m_links.model, static_cast<const StudioData*>(unit->pParent)) == studio)
        showHeadLine();
    if (unit != nullptr && unit->nChNum == channel &&
        shownStudioNumber(*m_links.model, static_cast<const StudioData*>(unit->pParent)) == studio)
        m_moved |= mask;
}

void CControlFormView::showStatus() {
    // Heads repeat their status: a repeat shows nothing. A burst shows once a frame.
    if (m_moved == 0)
        return;
    FrameClock& clock = FrameClock::of(this);
    clock.follow(m_links.model->news);
    clock.request(this, [this] {
        if (m_moved != 0)
            ShowUnit();
    });
}

void CControlFormView::ShowUnit() {
    m_moved = 0;
    const StrobeData* unit = selectedUnit();
    if (unit == nullptr)
        return ShowNoUnit();
    showLevels(*unit);
    for (const UnitSetting& setting : UnitSettings()) {
        if (setting.kind == SettingKind::Switch)
            showSwitch(setting, unit->*setting.member);
    }
    SetControls(Enabling::ByPower);
    ShowConfirmation();
}

void CControlFormView::RefreshItem(int code) {
    const StrobeData* unit = selectedUnit();
    if (unit == nullptr)
        return;
    if (const UnitSetting* setting = SettingOfChange(code)) {
        if (setting->kind == SettingKind::Level)
            showLevels(*unit);
        else
            showSwitch(*setting, unit->*setting->member);
    }
    ShowConfirmation();
}

LinkedValues CControlFormView::linkedLevels() const {
    return {LinkedValues::Kind::Levels, m_flashLevel, m_modelLevel, m_groups.prop->isChecked()};
}

void CControlFormView::showLinked(const LinkedValues& levels, LinkedValues::Moved moved,
                                  StrobeData* store) {
    m_flashLevel = levels.flash;
    m_modelLevel = levels.model;
    if (moved.flash) {
        setSlider(m_groups.flashSlider, m_flashLevel);
        showFlashLevel();
        if (store != nullptr)
            store->nFlashValue = m_flashLevel;
    }
    if (moved.model) {
        setSlider(m_groups.modelSlider, m_modelLevel);
        showModelLevel();
        if (store != nullptr)
            store->nModelValue = m_modelLevel;
    }
}

void CControlFormView::OnSpinStep(bool flash, int change) {
    StrobeData* unit = selectedUnit();
    if (unit == nullptr)
        return;
    const HeadSnapshot before = SnapshotOf(*unit);
    LinkedValues levels = linkedLevels();
    const LinkedValues::Moved moved = levels.step(flash, change);
    if (!moved.any())
        return;
    showLinked(levels, moved, unit);
    sendAndPost(unit, flash ? CMD_FLASH_LEVEL : CMD_MODEL_LEVEL, before);
}

void CControlFormView::OnSliderRelease(bool flash) {
    StrobeData* unit = selectedUnit();
    if (unit == nullptr)
        return;
    const HeadSnapshot before = SnapshotOf(*unit);
    LinkedValues levels = linkedLevels();
    const int released = (flash ? m_groups.flashSlider : m_groups.modelSlider)->sliderPosition();
    showLinked(levels, levels.moveTo(flash, released), unit);
    sendAndPost(unit, flash ? CMD_FLASH_LEVEL : CMD_MODEL_LEVEL, before);
}

void CControlFormView::OnSliderDrag(bool flash, int position) {
    if (position == 0 || selectedUnit() == nullptr)
        return;
    // The panel follows the thumb on screen; the release stores and sends.
    LinkedValues levels = linkedLevels();
    showLinked(levels, levels.moveTo(flash, position), nullptr);
}

// A typed level is a slider put there and released: stored, sent, the linked follower moved.
void CControlFormView::OnTypedLevel(bool flash, int level) {
    if (selectedUnit() == nullptr)
        return;
    setSlider(flash ? m_groups.flashSlider : m_groups.modelSlider, level);
    OnSliderRelease(flash);
}

void CControlFormView::OnButton(int id, bool checked) {
    StrobeData* unit = selectedUnit();
    const UnitSetting* setting = SettingOfButton(id);
    const PanelSetting* panel = setting != nullptr ? PanelSettingOf(*setting) : nullptr;
    if (unit == nullptr || panel == nullptr)
        return;
    const HeadSnapshot before = SnapshotOf(*unit);
    if (setting->member != nullptr) { // the test flash stores nothing
        unit->*setting->member = ButtonValue(*panel, id, checked);
        showSwitch(*setting, unit->*setting->member);
    }
    sendAndPost(unit, setting->commandType, before);
}

void CControlFormView::OnModeChange(int selection) {
    if (selection == m_mode)
        return;
    m_mode = selection;
    showHeadLine();
    if (selection == 1) {
        m_selection->Reset();
        SetControls(Enabling::SelectionShown);
    } else {
        ShowUnit();
        SetControls(Enabling::OwnShown);
    }
    PostMessage(navigationPane(), Msg::NavPanelMode, selection, 0);
}

QString CControlFormView::setupName() const {
    return m_fileName->text();
}

void CControlFormView::setSetupName(const QString& name) {
    m_fileName->setText(name);
}

void CControlFormView::previewSetup(const QString& name) {
    if (m_links.files == nullptr)
        return;
    m_fileList->clear();
    ListMemoryFiles(m_links.files);
    const QList<QTreeWidgetItem*> found = m_fileList->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    m_fileList->setCurrentItem(found.front());
    OnPreview(found.front());
}

void CControlFormView::OnPreview(QTreeWidgetItem* item) {
    if (item == nullptr || m_links.files == nullptr)
        return;
    m_fileName->setText(item->text(0));
    m_fileInfo = PreviewMemoryFile(m_links.files, item->text(0));
    QString shown = m_fileInfo;
    m_infoBox->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Load only a file that previewed whole: a refused one left nothing to apply.
    SendMessage(m_links.frame, Msg::FrameEnableCommand, Msg::CMD_LOAD,
                m_fileInfo.isEmpty() ? 0 : 1);
}

void CControlFormView::OnSave() {
    if (m_links.files == nullptr)
        return;
    if (ShowMessageBox(QStringLiteral("Do you want to save current setting?"), kMemoryTitle,
                       MessageButtons::OkCancel, this) != IDOK)
        return;
    // After a failure the name and Save stay, to try again once the cause is gone.
    if (SaveMemoryFileAndRelist(m_links.files, m_fileName->text()) == 0)
        return;
    if (m_links.model != nullptr)
        m_links.model->news.tellSetupsChanged();
    m_fileInfo.clear();
    m_infoBox->clear();
    m_fileName->clear();
    SendMessage(m_links.frame, Msg::FrameEnableCommand, Msg::CMD_LOAD, 0);
    SendMessage(m_links.frame, Msg::FrameEnableCommand, Msg::CMD_SAVE, 0);
}

void CControlFormView::OnApply() {
    if (m_fileInfo.isEmpty())
        return; // no whole preview
    const StudioData* target =
        m_links.model != nullptr ? StudioOfNode(m_links.model->pCurNode) : nullptr;
    if (target == nullptr)
        return;
    if (UnitsOf(target).empty()) {
        // The set-up goes only to heads a scan found: offer the scan, then load.
        if (ShowMessageBox(NoHeadsYetText(*target) +
                               QStringLiteral(": the set-up has no head to go to. Scan %1 first?")
                                   .arg(target->sStudioName),
                           kMemoryTitle, MessageButtons::OkCancel, this) != IDOK)
            return;
        SendMessage(m_links.frame, Msg::FrameScanStudio);
        target = StudioOfNode(m_links.model->pCurNode);
        if (target == nullptr || UnitsOf(target).empty()) {
            if (target != nullptr && m_links.actions != nullptr)
                m_links.actions->tell(NoHeadsYetText(*target) +
                                      QStringLiteral(": nothing was sent"));
            return;
        }
    }
    const LoadReach reach = ReachOfLoad(m_links.model->pMemoryStudio.get(), target);
    QString question = QStringLiteral("Current settig is deleted. Do you want to open file?");
    if (const QString missing = MissingHeadsText(reach, *target); !missing.isEmpty())
        question += QStringLiteral("\n\n") + missing + QLatin1Char('.');
    if (ShowMessageBox(question, kMemoryTitle, MessageButtons::OkCancel, this) != IDOK)
        return;
    const std::vector<HeadSnapshot> before = SnapshotsOf(UnitsOf(target));
    StudioData* studio = CopyMemoryStudio(m_links.model);
    if (m_links.actions != nullptr)
        m_links.actions->loaded(*studio, before, m_fileName->text(), reach.reached);
    m_links.model->news.tellSetupsChanged();
    // The heads hold the loaded levels now: an offset shown before would add to them.
    m_selection->Reset();
}

void CControlFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return CFormPane::customEvent(event);
    switch (message->number()) {
    case Msg::CtrlCurrentUnit:
        ShowUnit();
        break;
    case Msg::CtrlUnitStatus:
        showStatus();
        break;
    case Msg::CtrlEmptyStudio:
        Reset();
        break;
    case Msg::CtrlUnitSetting:
        RefreshItem(int(message->wParam()));
        break;
    case Msg::CtrlSaveCommand:
        OnSave();
        break;
    case Msg::CtrlLoadCommand:
        OnApply();
        break;
    case Msg::CtrlTicksChanged:
        showHeadLine();
        m_selection->showTickedPower();
        if (m_links.actions != nullptr)
            m_links.actions->ticksChanged();
        break;
    case Msg::CtrlGroupReset:
        m_selection->Reset();
        break;
    default:
        return CFormPane::customEvent(event);
    }
    message->setResult(0);
}

} // namespace lumadesk
