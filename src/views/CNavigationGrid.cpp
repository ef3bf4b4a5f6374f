#include "views/CNavigationGrid.h"

#include "actions/OperatorActions.h"
#include "link/PendingValues.h"
#include "model/StudioModel.h"
#include "platform/ChangeCode.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "ui/StopsWords.h"
#include "ui/UiResources.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <utility>

namespace lumadesk {

namespace {

constexpr int kHeatAlarm = 60;
const QColor kHeadingBack(0x9D, 0xCE, 0xFF);
const QColor kHeadingText(0x00, 0x00, 0x80);
const QColor kNameBack(0xF0, 0xF0, 0xF0);
const QColor kNameText(0xFC, 0x41, 0x32);
const QColor kAlarmBackCurrent(0x4B, 0x68, 0x9E);
const QColor kAlarmBackOther(0xA2, 0xA9, 0xAA);
const QColor kRunningBackCurrent(0x5B, 0x8A, 0xD7);

// A font whose line (ascent + descent) is at most the given cell height in pixels.
QFont fontOfCellHeight(const QString& family, int height, int weight) {
    QFont font(family);
    font.setWeight(QFont::Weight(weight));
    for (int size = height; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= height)
            break;
    }
    return font;
}

QPixmap icon(const char* name) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::white);
    QSvgRenderer svg(QStringLiteral(":/lumadesk/grid/%1.svg").arg(QLatin1String(name)));
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

QString levelText(int level) {
    return level > 10 ? QStringLiteral("F %1.%2").arg(level / 10).arg(level % 10) : QString();
}

bool running(const StrobeData& unit) {
    return unit.bFlashPow != 0 && unit.nHeatLevel < kHeatAlarm;
}

// The status cell in words: its "OFF" is the flash power's, and its second line the lamp's.
QString statusWords(const StrobeData& unit) {
    if (unit.bFlashPow == 0)
        return QStringLiteral("flash power off");
    if (unit.nHeatLevel >= kHeatAlarm)
        return QStringLiteral("flash power on, overheated");
    QStringList words{QStringLiteral("flash power on")};
    if (const QString flash = levelText(unit.nFlashValue); !flash.isEmpty())
        words << QStringLiteral("flash %1").arg(flash);
    const QString model = levelText(unit.nModelValue);
    if (unit.bModelPow == 0)
        words << QStringLiteral("modelling lamp off");
    else
        words << (model.isEmpty() ? QStringLiteral("modelling lamp on")
                                  : QStringLiteral("modelling lamp on at %1").arg(model));
    return words.join(QStringLiteral(", "));
}

// Each switch icon in words, for on (green) and off (grey): "CH-01 cell on", and its tip
// "Cell (optical slave) of CH-01: on".
struct IconWords {
    const char* subject;
    const char* on;
    const char* off;
    const char* tipSubject;
};
constexpr IconWords kIconWords[] = {
    {"modelling lamp", "Prop", "Free", "Modelling lamp mode (P)"},
    {"modelling lamp", "Continous", "Flash Prop", "Modelling lamp mode (C)"},
    {"cell", "on", "off", "Cell (optical slave)"},
    {"sound", "on", "off", "Sound"},
    {"", "charged", "not charged", "Charge"},
};

// Which of a block's cells show which values: the status cell (levels, power, heat; the current
// mark is the grid's own), the icons (cell, sound, charge, the lamp's modes) and the name row.
struct ShownBy {
    ValueMask statusCell = kHeatMask;
    ValueMask icons = MaskOf(CHANGE_CHARGE);
};
ShownBy shownBy() {
    static const ShownBy by = [] {
        ShownBy b;
        for (const UnitSetting& setting : UnitSettings()) {
            const GridSetting* shown = GridSettingOf(setting);
            (shown != nullptr && shown->shows == GridShows::Icon ? b.icons : b.statusCell) |=
                MaskOf(setting.changeCode);
        }
        return b;
    }();
    return by;
}

int iconValue(const StrobeData& unit, int icon) {
    const int values[] = {unit.nModelMode1, unit.nModelMode2, unit.bFlashCell, unit.bFlashSnd,
                          unit.bFlashCharge};
    return values[icon];
}

} // namespace

bool IsLiveStudio(const StudioModel& model, const StudioData* studio) {
    if (studio == nullptr)
        return false;
    if (studio == model.pMemoryStudio.get())
        return true;
    return std::any_of(model.studios.begin(), model.studios.end(),
                       [studio](const auto& s) { return s.get() == studio; });
}

CNavigationGrid::CNavigationGrid(StudioModel* model, std::function<QObject*()> controlPane,
                                 QWidget* parent)
    : CUGCtrl(parent), m_model(model), m_controlPane(std::move(controlPane)) {
    setAccessibleName(QStringLiteral("Channel grid"));
    // Tab leaves the grid for the next pane; the arrows move inside it.
    setTabKeyNavigation(false);
    if (m_model == nullptr)
        return;
    const ModelNews& news = m_model->news;
    holdPaintsWhileDraining(&news);
    connect(&news, &ModelNews::headChanged, this, &CNavigationGrid::onHeadChanged);
    connect(&news, &ModelNews::headAdded, this, &CNavigationGrid::onHeadAdded);
    connect(&news, &ModelNews::ticksChanged, this, &CNavigationGrid::onTicksChanged);
    connect(&news, &ModelNews::currentChanged, this, &CNavigationGrid::onCurrentChanged);
    // A head's stops depend on the key's values as much as its own: the whole studio again.
    constexpr ValueMask stopsMask =
        kNamesMask | MaskOf(CHANGE_FLASH_LEVEL) | MaskOf(CHANGE_FLASH_POWER);
    connect(&news, &ModelNews::headChanged, this, [this](int studio, int, quint32 mask) {
        if (mask & stopsMask)
            wordsMoved(studio);
    });
    connect(&news, &ModelNews::keyChanged, this, &CNavigationGrid::wordsMoved);
    connect(&news, &ModelNews::drainEnded, this, [this] {
        if (std::exchange(m_wordsMoved, false))
            showStudioWords();
    });
    connect(&news, &ModelNews::studioRenamed, this, [this](int studio) {
        if (studio != m_studio)
            return;
        m_headingLabel = QStringLiteral("Channel Select [ %1 ]")
                             .arg(m_model->studios[std::size_t(studio)]->sStudioName);
        QuickSetLabelText(0, -1, m_headingLabel);
        nameHeading();
        RedrawCell(0, -1);
    });
}

void CNavigationGrid::OnSetup() {
    m_cellFont = fontOfCellHeight(QStringLiteral("Arial"), 14, 500);
    m_headingFont = fontOfCellHeight(QStringLiteral("MS Sans Serif"), 14, 900);
    m_alarmFont = fontOfCellHeight(QStringLiteral("Arial"), 30, 600);
    InitUiResources();
    const char* names[ICON_COUNT][2] = {{"mode1_on", "mode1_off"},
                                        {"mode2_on", "mode2_off"},
                                        {"cell_on", "cell_off"},
                                        {"sound_on", "sound_off"},
                                        {"charge_on", "charge_off"}};
    for (int i = 0; i < ICON_COUNT; ++i) {
        m_on[std::size_t(i)] = icon(names[i][0]);
        m_off[std::size_t(i)] = icon(names[i][1]);
    }

    SetDefFont(m_cellFont);
    SetTH_Height(30);
    SetSH_Width(0);
    SetDefRowHeight(20);
    SetDefColWidth(20);
    SetNumberCols(5);
    SetColWidth(1, 150);
    EnableUserSizing(false);

    CUGCell heading;
    GetHeadingDefault(&heading);
    heading.backColor = kHeadingBack;
    heading.textColor = kHeadingText;
    heading.font = m_headingFont;
    heading.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    SetHeadingDefault(heading);

    QuickSetCellType(0, -1, kCheckBoxType);
    QuickSetCellTypeEx(0, -1, kCheckBox3D | kCheckBoxTick);
    JoinCells(0, -1, 4, -1);
    m_headingLabel = QStringLiteral("Channel Select");
    QuickSetLabelText(0, -1, m_headingLabel);
    nameHeading();
}

void CNavigationGrid::nameHeading() {
    // The joined heading spans every column; a reader may ask any of them.
    for (int col = 1; col < GetNumberCols(); ++col) {
        if (CUGCell* cell = cellModel()->cell(col, -1))
            cell->name = m_headingLabel;
    }
}

QString CNavigationGrid::NameText(const StrobeData& unit) {
    return QStringLiteral("  %1  %2%3").arg(unit.sChName, unit.sModelName, RoleSuffix(unit));
}

QString CNavigationGrid::PowerLabel(int model, int flash) {
    if (flash == -1 && model == -1)
        return {};
    QString modelText;
    if (model == -1)
        modelText = QStringLiteral("Off");
    else
        modelText = levelText(model);
    return QStringLiteral("Flash : %1\nModel : %2").arg(levelText(flash), modelText);
}

int CNavigationGrid::BlockOf(const StrobeData* unit) const {
    const auto& shown = m_model->arrShown;
    const auto at = std::find(shown.begin(), shown.end(), unit);
    return at == shown.end() || unit == nullptr ? -1 : int(at - shown.begin());
}

StrobeData* CNavigationGrid::shownUnit(int i) const {
    if (i < 0 || i >= int(m_model->arrShown.size()))
        return nullptr;
    StrobeData* unit = m_model->arrShown[std::size_t(i)];
    return m_model->OwnsRecord(unit) ? unit : nullptr;
}

void CNavigationGrid::ShowStudio(StudioData* studio) {
    if (studio == nullptr)
        return;
    m_headingLabel = QStringLiteral("Channel Select [ %1 ]").arg(studio->sStudioName);
    QuickSetLabelText(0, -1, m_headingLabel);
    nameHeading();
    for (int row = kRowsPerBlock * m_shownCount - 1; row >= 0; --row)
        DeleteRow(row);
    m_shownCount = 0;
    m_channels.clear();
    m_moved.clear();
    m_studio = shownStudioNumber(*m_model, studio);
    std::vector<StrobeData*>().swap(m_model->arrShown);
    m_currentIndex = kRebuilding;
    for (int s = 0; s < kChannelCount; ++s) {
        if (studio->bChUsed[std::size_t(s)] != 1 || !studio->pStrobe[std::size_t(s)])
            continue;
        StrobeData* unit = studio->pStrobe[std::size_t(s)].get();
        addBlock(unit);
        m_model->arrShown.push_back(unit);
        m_channels.push_back(s);
        m_moved.push_back(0);
    }
    m_currentIndex = kNoCurrent;
    RedrawAll();
}

void CNavigationGrid::addBlock(StrobeData* unit) {
    const int n = GetNumberRows();
    for (int r = 0; r < kRowsPerBlock; ++r)
        InsertRow(n + r);
    SetRowHeight(n, 2);

    CUGCell name;
    GetCell(0, n + 1, &name);
    name.backColor = kNameBack;
    name.textColor = kNameText;
    name.font = m_cellFont;
    name.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    name.text = NameText(*unit);
    SetCell(0, n + 1, name);

    CUGCell status;
    GetCell(0, n + 2, &status);
    status.cellType = kCheckBoxType;
    status.cellTypeEx = kCheckBox3D | kCheckBoxTick;
    status.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // The box shows the unit's own tick: the group panel acts on bChSelect, so a box that
    // came back unticked after a rebuild would hide heads it still changes.
    status.text = QString::number(unit->bChSelect != 0 ? 1 : 0);
    SetCell(0, n + 2, status);

    JoinCells(0, n, 4, n);
    JoinCells(0, n + 1, 4, n + 1);
    JoinCells(0, n + 2, 1, n + 3);
    const int i = n / kRowsPerBlock;
    nameBlock(i, *unit);
    setStatusCell(i, *unit, false);
    setIcons(i, *unit);
    ++m_shownCount;
}

void CNavigationGrid::setStatusCell(int i, const StrobeData& unit, bool redraw) {
    QString alarm;
    if (unit.bFlashPow == 0)
        alarm = QStringLiteral("OFF");
    else if (unit.nHeatLevel >= kHeatAlarm)
        alarm = QStringLiteral("Overheat");
    else
        setPowerLabel(unit.bModelPow != 0 ? unit.nModelValue : -1, unit.nFlashValue, i, false);

    const int row = kRowsPerBlock * i + 2;
    const bool current = i == m_currentIndex;
    const StopsWords words = StopsWordsOf(*m_model, unit);
    CUGCell cell;
    GetCell(0, row, &cell);
    // Beside the flash level; the big alarm word leaves it no room.
    cell.aside = alarm.isEmpty() ? words.aside : QString();
    cell.tip = words.tip;
    if (!alarm.isEmpty()) {
        cell.backColor = current ? kAlarmBackCurrent : kAlarmBackOther;
        cell.textColor = statusTextColor(i);
        cell.font = m_alarmFont;
        cell.label = alarm;
    } else {
        cell.backColor = current ? kRunningBackCurrent : QColor(Qt::white);
        cell.textColor = statusTextColor(i);
        cell.font = m_cellFont;
    }
    // The description is the heard marks'.
    cell.spoken = statusWords(unit);
    if (!words.stops.isEmpty())
        cell.spoken += QStringLiteral(", ") + words.stops;
    SetCell(0, row, cell);
    if (redraw)
        RedrawCell(0, row);
}

QColor CNavigationGrid::statusTextColor(int i) const {
    return i == m_currentIndex ? QColor(Qt::white) : QColor(Qt::black);
}

void CNavigationGrid::setPowerLabel(int model, int flash, int i, bool redraw) {
    const int row = kRowsPerBlock * i + 2;
    const QString label = PowerLabel(model, flash);
    if (!label.isNull())
        QuickSetLabelText(0, row, label);
    if (redraw)
        RedrawCell(0, row);
}

void CNavigationGrid::setIcon(int i, Icon which, const StrobeData& unit, bool redraw) {
    static constexpr int kCol[ICON_COUNT] = {2, 3, 2, 3, 4};
    static constexpr int kRow[ICON_COUNT] = {2, 2, 3, 3, 3};
    const int col = kCol[which];
    const int row = kRowsPerBlock * i + kRow[which];
    const bool on = iconValue(unit, which) == 1;
    CUGCell cell;
    GetCell(col, row, &cell);
    cell.bitmap = on ? m_on[which] : m_off[which];
    // Green or grey says it to the eye; the name and the tip say it in words.
    const IconWords& words = kIconWords[which];
    const QString state = QString::fromLatin1(on ? words.on : words.off);
    QStringList name{unit.sChName, QString::fromLatin1(words.subject), state};
    name.removeAll(QString());
    cell.name = name.join(QLatin1Char(' '));
    cell.tip = QStringLiteral("%1 of %2: %3")
                   .arg(QString::fromLatin1(words.tipSubject), unit.sChName, state);
    SetCell(col, row, cell);
    if (redraw)
        RedrawCell(col, row);
}

void CNavigationGrid::setIcons(int i, const StrobeData& unit) {
    for (const GridSetting& setting : GridSettings()) {
        if (setting.shows == GridShows::Icon)
            setIcon(i, Icon(setting.icon), unit, false);
    }
    setIcon(i, CHARGE, unit, false);
}

void CNavigationGrid::nameBlock(int i, const StrobeData& unit) {
    const int top = kRowsPerBlock * i;
    const QString channel = unit.sChName;
    const QString select = QStringLiteral("Select %1 for group control").arg(channel);
    // Cells under a joined one answer with its name: a reader walking the table meets them too.
    const auto name = [this](int col, int row, const QString& text) {
        if (CUGCell* cell = cellModel()->cell(col, row))
            cell->name = text;
    };
    const QString spoken = StopsWordsOf(*m_model, unit).spoken;
    for (int col = 0; col < 5; ++col) {
        name(col, top, channel);
        name(col, top + 1, NameText(unit).simplified());
        if (CUGCell* cell = cellModel()->cell(col, top + 1))
            cell->description = spoken;
    }
    for (const int row : {top + 2, top + 3}) {
        name(0, row, select);
        name(1, row, select);
    }
    name(4, top + 2, channel);
}

void CNavigationGrid::RefreshStrobe(int code, StrobeData* unit) {
    const int i = BlockOf(unit);
    if (i < 0 || i >= m_shownCount)
        return;
    // What this builds is shown: a status report that follows need not build it again.
    ValueMask& moved = m_moved[std::size_t(i)];
    // Reports that are no setting: heat shows in the status cell, the charge as its icon.
    if (code == CHANGE_HEAT) {
        moved &= ~shownBy().statusCell;
        return setStatusCell(i, *unit, true);
    }
    if (code == CHANGE_CHARGE) {
        moved &= ~MaskOf(CHANGE_CHARGE);
        return setIcon(i, CHARGE, *unit, true);
    }
    const UnitSetting* setting = SettingOfChange(code);
    const GridSetting* shown = setting != nullptr ? GridSettingOf(*setting) : nullptr;
    if (shown == nullptr)
        return;
    switch (shown->shows) {
    case GridShows::PowerLabel:
        if (running(*unit)) {
            moved &= ~MaskOf(code);
            setPowerLabel(unit->bModelPow != 0 ? unit->nModelValue : -1, unit->nFlashValue, i,
                          true);
        }
        break;
    case GridShows::StatusCell:
        moved &= ~shownBy().statusCell;
        setStatusCell(i, *unit, true);
        break;
    case GridShows::Icon:
        moved &= ~MaskOf(code);
        setIcon(i, Icon(shown->icon), *unit, true);
        break;
    }
}

int CNavigationGrid::blockOfChannel(int channel) const {
    const auto at = std::find(m_channels.begin(), m_channels.end(), channel);
    return at == m_channels.end() ? -1 : int(at - m_channels.begin());
}

void CNavigationGrid::onHeadChanged(int studio, int channel, quint32 mask) {
    if (studio != m_studio)
        return;
    if (const int i = blockOfChannel(channel); i >= 0)
        m_moved[std::size_t(i)] |= mask;
}

void CNavigationGrid::onHeadAdded(int studio, int channel) {
    // Another record in a shown slot: its block is built whole (the rebuild normally follows).
    if (studio != m_studio)
        return;
    if (const int i = blockOfChannel(channel); i >= 0)
        m_moved[std::size_t(i)] = ~ValueMask(0);
}

void CNavigationGrid::onTicksChanged(int studio) {
    // Another face ticked heads of the shown studio: the boxes show what the group acts on.
    if (studio != m_studio || m_ticking)
        return;
    for (int i = 0; i < m_shownCount; ++i) {
        const StrobeData* unit = shownUnit(i);
        const int box = kRowsPerBlock * i + 2;
        const QString value = QString::number(unit != nullptr && unit->bChSelect != 0 ? 1 : 0);
        if (unit == nullptr || QuickGetText(0, box) == value)
            continue;
        QuickSetText(0, box, value);
        RedrawCell(0, box);
        announceCheckState(0, box);
    }
}

void CNavigationGrid::wordsMoved(int studio) {
    if (studio != m_studio || m_studio < 0)
        return;
    // A burst of reports shows them once, when the drain is through.
    if (m_model->news.draining())
        m_wordsMoved = true;
    else
        showStudioWords();
}

void CNavigationGrid::showStudioWords() {
    for (int i = 0; i < m_shownCount; ++i) {
        const StrobeData* unit = shownUnit(i);
        if (unit == nullptr)
            continue;
        const int row = kRowsPerBlock * i + 1;
        QuickSetText(0, row, NameText(*unit));
        nameBlock(i, *unit);
        setStatusCell(i, *unit, false);
        // Only the cells whose look or words differ are painted or told.
        RedrawRange(0, row, 0, row + 1);
    }
}

void CNavigationGrid::contextMenuEvent(QContextMenuEvent* event) {
    int i = m_currentIndex;
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Keyboard) {
        const int row = rowAt(event->pos().y());
        i = row < 0 ? -1 : row / kRowsPerBlock;
    } else if (i >= 0) {
        at = viewport()->mapToGlobal(
            visualRect(model()->index(kRowsPerBlock * i + 1, 0)).bottomLeft());
    }
    const StrobeData* unit = m_studio >= 0 ? shownUnit(i) : nullptr;
    if (unit == nullptr)
        return event->ignore();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("%1 block menu").arg(unit->sChName));
    menu->setToolTipsVisible(true);
    QAction* solo = menu->addAction(QStringLiteral("Solo test"));
    solo->setToolTip(
        QStringLiteral("Fires %1 alone; the other heads stay quiet").arg(unit->sChName));
    solo->setEnabled(m_actions != nullptr);
    const int studio = m_studio;
    const int channel = unit->nChNum;
    const std::uint64_t serial = unit->serial;
    connect(solo, &QAction::triggered, this, [this, studio, channel, serial] {
        // The head may have gone with a scan while the menu was open.
        const StrobeData* u = m_model->studios[std::size_t(studio)]->UnitOn(channel);
        if (m_actions != nullptr && u != nullptr && u->serial == serial)
            m_actions->testFlash(*u);
    });
    menu->popup(at);
    event->accept();
}

void CNavigationGrid::onCurrentChanged() {
    if (UnitOfNode(m_model->pCurNode) == nullptr)
        DropCurrent();
    SendMessage(m_controlPane ? m_controlPane() : nullptr, Msg::CtrlCurrentUnit);
}

void CNavigationGrid::UpdateStrobeBlock(int i, StrobeData* unit) {
    if (unit == nullptr || i < 0 || i >= m_shownCount)
        return;
    const int row = kRowsPerBlock * i;
    // Heads repeat their status: only the cells whose values the news said moved are built
    // again, so a repeat builds, redraws and tells nothing. The memory studio is no news: its
    // blocks are built whole.
    ValueMask& moved = m_moved[std::size_t(i)];
    const ValueMask mask = m_studio < 0 ? ~ValueMask(0) : std::exchange(moved, 0);
    if (mask == 0)
        return;
    if (mask & kNamesMask) {
        QuickSetText(0, row + 1, NameText(*unit));
        nameBlock(i, *unit);
    }
    if (mask & shownBy().statusCell)
        setStatusCell(i, *unit, false);
    if (mask & shownBy().icons)
        setIcons(i, *unit);
    RedrawRange(0, row + 1, 4, row + 3);
}

void CNavigationGrid::OnCellChange(int, int, int, int newRow) {
    const int i = newRow / kRowsPerBlock;
    if (newRow < 0 || i == m_currentIndex || m_shownCount <= 0)
        return;
    StrobeData* unit = shownUnit(i);
    if (unit == nullptr)
        return;
    StrobeData* old = shownUnit(m_currentIndex);
    const int oldIndex = m_currentIndex;
    m_currentIndex = i;
    setStatusCell(i, *unit, false);
    if (old != nullptr)
        setStatusCell(oldIndex, *old, false);
    RedrawAll();
    // The news tells the panel (onCurrentChanged), once, also when the tree made the change.
    SetCurrentNode(m_model, unit);
}

void CNavigationGrid::DropCurrent() {
    if (m_currentIndex < 0)
        return;
    const int old = m_currentIndex;
    m_currentIndex = kNoCurrent;
    if (const StrobeData* unit = shownUnit(old))
        setStatusCell(old, *unit, true);
    // No cell is current either, so the next click or key on any block makes it current again.
    selectionModel()->clearCurrentIndex();
    RedrawAll();
}

int CNavigationGrid::blocksPerPage() const {
    int height = 0;
    for (int r = 0; r < kRowsPerBlock; ++r)
        height += rowHeight(r);
    return std::max(1, viewport()->height() / std::max(1, height));
}

void CNavigationGrid::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool picked = m_currentIndex >= 0 && m_currentIndex < m_shownCount;
    if (m_shownCount > 0 && event->key() == Qt::Key_Space) {
        // Shift+Space is the heading's box ("Channel Select"): all blocks at once.
        if (modifiers == Qt::ShiftModifier)
            toggleCheckBox(0, -1);
        else if (modifiers == Qt::NoModifier && picked)
            toggleCheckBox(0, kRowsPerBlock * m_currentIndex + 2);
        return;
    }
    if (m_shownCount <= 0 || modifiers != Qt::NoModifier)
        return CUGCtrl::keyPressEvent(event);
    const int current = picked ? m_currentIndex : 0;
    int target = current;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        target = picked ? current - 1 : 0;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        target = picked ? current + 1 : 0;
        break;
    case Qt::Key_PageUp:
        target = current - blocksPerPage();
        break;
    case Qt::Key_PageDown:
        target = current + blocksPerPage();
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_shownCount - 1;
        break;
    default:
        return CUGCtrl::keyPressEvent(event);
    }
    // The same cell a click on the block's name makes current, so the panel shows the unit.
    target = std::clamp(target, 0, m_shownCount - 1);
    GotoCell(0, kRowsPerBlock * target + 1);
    scrollTo(model()->index(kRowsPerBlock * target + 3, 0));
}

int CNavigationGrid::OnCellTypeNotify(int type, int col, int row, int message, int value) {
    if (type != kCheckBoxType || message != kCheckBoxChanged || col != 0)
        return 0;
    if (row == -1) {
        for (int i = 0; i < m_shownCount; ++i) {
            const int box = kRowsPerBlock * i + 2;
            const bool flips = QuickGetText(0, box).toInt() != value;
            QuickSetText(0, box, QString::number(value));
            if (StrobeData* unit = shownUnit(i))
                unit->bChSelect = value;
            if (flips)
                announceCheckState(0, box);
        }
        RedrawAll();
    } else if (row % kRowsPerBlock == 2) {
        if (StrobeData* unit = shownUnit(row / kRowsPerBlock))
            unit->bChSelect = value;
    }
    // Every face acts on the ticked heads (TickedUnits): they all hear of it.
    m_ticking = true;
    m_model->news.tellTicksChanged(m_studio);
    m_ticking = false;
    // The panel names the ticked heads in its group mode.
    SendMessage(m_controlPane ? m_controlPane() : nullptr, Msg::CtrlTicksChanged);
    return 0;
}

} // namespace lumadesk
