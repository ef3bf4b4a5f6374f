#include "views/CStudioListFormView.h"

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "model/HeadRole.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "ui/StopsWords.h"
#include "ui/UiResources.h"

#include <QActionGroup>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace lumadesk {

namespace {

constexpr int kNodeRole = Qt::UserRole;

enum TreeImage { ImageStudio, ImageUnit, ImageLight };

QIcon treeImage(TreeImage image) {
    static const char* const files[] = {":/lumadesk/tree/studio.svg", ":/lumadesk/tree/unit.svg",
                                        ":/lumadesk/tree/light.svg"};
    return QIcon(QString::fromLatin1(files[image]));
}

NodeHeader* nodeOf(const QTreeWidgetItem* item) {
    return item == nullptr
               ? nullptr
               : reinterpret_cast<NodeHeader*>(item->data(0, kNodeRole).value<quintptr>());
}

// The role beside the name; the name box edits the name alone.
QString unitText(const StrobeData& unit) {
    return unit.sChName + QLatin1Char(' ') + unit.sModelName + RoleSuffix(unit);
}

// What moves a head's stops: its names or role (the key may be chosen by role), its level, its
// power.
constexpr ValueMask kStopsMask =
    kNamesMask | MaskOf(CHANGE_FLASH_LEVEL) | MaskOf(CHANGE_FLASH_POWER);

// Inserted where its text sorts among the siblings; a rename later does not move it.
QTreeWidgetItem* insertSorted(QTreeWidgetItem* parent, const QString& text, TreeImage image,
                              NodeHeader* node, int kind) {
    int row = 0;
    while (row < parent->childCount() &&
           QString::compare(parent->child(row)->text(0), text, Qt::CaseInsensitive) <= 0)
        ++row;
    auto* item = new QTreeWidgetItem({text});
    item->setIcon(0, treeImage(image));
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    parent->insertChild(row, item);
    node->nNodeKind = kind;
    node->hTreeItem = item;
    return item;
}

bool isWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* i = item; i != nullptr; i = i->parent()) {
        if (i == ancestor)
            return true;
    }
    return false;
}

// The selected item in green on light grey, the item under the mouse in white on black.
class StudioItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QColor back;
        QColor text;
        if (option.state & QStyle::State_Selected) {
            back = QColor(0xE6, 0xE6, 0xE6);
            text = QColor(0x00, 0xC0, 0x00);
        } else if (option.state & QStyle::State_MouseOver) {
            back = Qt::black;
            text = Qt::white;
        } else {
            return QStyledItemDelegate::paint(painter, option, index);
        }
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus);
        opt.backgroundBrush = back;
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
            opt.palette.setColor(role, text);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : nullptr;
        if (style != nullptr)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }
};

// A tree whose selection cannot be emptied by the operator (Ctrl+click, Ctrl+Space): there is
// always a current node once one was chosen.
class StudioTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const auto flags = QTreeWidget::selectionCommand(index, event);
        return flags.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                             : flags;
    }
};

} // namespace

using namespace lumadesk;

CStudioListFormView::CStudioListFormView(QWidget* parent)
    : CFormPane(QStringLiteral("Studio List"), Msg::ListNewUnit, Msg::ListMemoryApplied, parent),
      m_tree(new StudioTree(this)), m_edit(new QLineEdit(this)) {
    InitUiResources();
    m_tree->setAccessibleName(QStringLiteral("Studio List"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    // Hidden, but a reader still announces the column.
    m_tree->setHeaderLabel(QStringLiteral("Studios, heads and lights"));
    m_tree->header()->setAccessibleName(QStringLiteral("Studio List header"));
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setDragEnabled(false);
    m_tree->setIconSize(QSize(16, 16));
    // A narrow column (a small or magnified screen) cuts a name rather than hide its channel.
    m_tree->setTextElideMode(Qt::ElideNone);
    m_tree->setItemDelegate(new StudioItemDelegate(m_tree));
    // Only the item's own rectangle shows the selection, not the expand button's column.
    QPalette palette = m_tree->palette();
    palette.setBrush(QPalette::Highlight, palette.base());
    m_tree->setPalette(palette);
    m_tree->setMouseTracking(true);
    m_tree->viewport()->setAttribute(Qt::WA_Hover);
    m_edit->setAccessibleName(QStringLiteral("Name"));
    m_edit->setToolTip(
        QStringLiteral("The name of the selected studio, head or light (Enter or F2 gives it)"));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CStudioListFormView::showHeadMenu);
    // Enter gives the name as F2 and "Name" do.
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (m_model != nullptr)
            onRename();
    });

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this,
            &CStudioListFormView::onSelectionChanged);
    // Typing enables "Name"; texts the pane sets itself do not.
    connect(m_edit, &QLineEdit::textEdited, this,
            [this] { SendMessage(m_mainFrame, Msg::FrameEnableCommand, Msg::CMD_NAME, 1); });
    placeWidgets();
}

void CStudioListFormView::OnInitialUpdate(StudioModel* model, QObject* mainFrame,
                                          QObject* navigationPane) {
    if (m_model != nullptr)
        disconnect(&m_model->news, nullptr, this, nullptr);
    m_model = model;
    m_mainFrame = mainFrame;
    m_navigation = navigationPane;
    // The tree shows the one current node, whoever changed it.
    connect(&model->news, &ModelNews::currentChanged, this,
            &CStudioListFormView::followCurrentNode);
    connect(&model->news, &ModelNews::headChanged, this,
            [this](int studio, int channel, quint32 mask) {
                if ((mask & kStopsMask) == 0)
                    return;
                if (mask & kNamesMask)
                    showUnitText(m_model->studios[std::size_t(studio)]->UnitOn(channel));
                showStopsTips(studio);
            });
    connect(&model->news, &ModelNews::keyChanged, this, &CStudioListFormView::showStopsTips);
    connect(&model->news, &ModelNews::studioRenamed, this, [this](int n) {
        if (QTreeWidgetItem* item = studioItem(n))
            item->setText(0, m_model->studios[std::size_t(n)]->sStudioName);
        if (m_model->pCurNode == m_model->studios[std::size_t(n)].get())
            showNodeName(m_model->pCurNode);
    });
    m_tree->clear();
    m_curStudioItem = nullptr;
    for (int n = 0; n < kStudioCount; ++n) {
        StudioData* studio = model->studios[std::size_t(n)].get();
        auto* item = new QTreeWidgetItem({studio->sStudioName});
        item->setIcon(0, treeImage(ImageStudio));
        item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(studio)));
        m_tree->addTopLevelItem(item);
        studio->nNodeKind = NODE_STUDIO;
        studio->hTreeItem = item;
        m_studioItems[std::size_t(n)] = item;
    }
}

QTreeWidgetItem* CStudioListFormView::studioItem(int n) const {
    return n >= 0 && n < kStudioCount ? m_studioItems[std::size_t(n)] : nullptr;
}

QTreeWidgetItem* CStudioListFormView::itemShowing(const NodeHeader* node) const {
    if (node == nullptr)
        return nullptr;
    for (QTreeWidgetItem* studio : m_studioItems) {
        if (studio == nullptr)
            continue;
        if (nodeOf(studio) == node)
            return studio;
        for (int u = 0; u < studio->childCount(); ++u) {
            QTreeWidgetItem* unit = studio->child(u);
            if (nodeOf(unit) == node)
                return unit;
            for (int l = 0; l < unit->childCount(); ++l) {
                if (nodeOf(unit->child(l)) == node)
                    return unit->child(l);
            }
        }
    }
    return nullptr;
}

void CStudioListFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr || m_model == nullptr)
        return CFormPane::customEvent(event);
    switch (message->number()) {
    case Msg::ListNewUnit:
        onNewUnit(message->wParam(), lumadesk::HeldRecordOf(*m_model, *message));
        break;
    case Msg::ListNameCommand:
        onRename();
        break;
    case Msg::ListStudioCleared:
        onStudioCleared(message->lParam(), false);
        break;
    case Msg::ListMemoryApplied:
        onMemoryApplied();
        break;
    case Msg::ListStudioChanged:
        onStudioCleared(message->lParam(), true);
        break;
    case Msg::ListUnitRenamed:
        onUnitRenamed(message->wParam() != 0, lumadesk::HeldRecordOf(*m_model, *message));
        break;
    default:
        return CFormPane::customEvent(event);
    }
    message->setResult(0);
}

void CStudioListFormView::followCurrentNode() {
    if (m_model == nullptr || m_following)
        return;
    NodeHeader* node = m_model->pCurNode;
    QTreeWidgetItem* item = itemShowing(node);
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (item != nullptr && selected.size() == 1 && selected.constFirst() == item)
        return;
    m_following = true;
    if (item == nullptr) {
        m_tree->clearSelection();
    } else {
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        m_tree->setCurrentItem(item);
        m_tree->scrollToItem(item);
    }
    m_following = false;
    showNodeName(item != nullptr ? node : nullptr);
    if (StudioData* studio = StudioOfNode(item != nullptr ? node : nullptr))
        m_curStudioItem = studioItem(shownStudioNumber(*m_model, studio));
}

void CStudioListFormView::showNodeName(NodeHeader* node) {
    const int kind = node != nullptr ? node->nNodeKind : NODE_NONE;
    if (kind == NODE_STUDIO) {
        m_edit->setText(static_cast<StudioData*>(node)->sStudioName);
        m_edit->setEnabled(true);
    } else if (kind == NODE_STROBE || kind == NODE_LIGHT) {
        const StrobeData* unit = UnitOfNode(node);
        m_edit->setText(kind == NODE_LIGHT ? unit->sLightName : unit->sModelName);
        m_edit->setEnabled(true);
    }
}

void CStudioListFormView::onSelectionChanged() {
    if (m_model == nullptr || m_following)
        return;
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    QTreeWidgetItem* item = selected.isEmpty() ? nullptr : selected.constFirst();
    NodeHeader* node = nodeOf(item);
    StudioData* studio = StudioOfNode(node);
    QTreeWidgetItem* studioItem = this->studioItem(shownStudioNumber(*m_model, studio));
    // A studio that holds units is only shown after it was scanned: the frame scans it first.
    const bool mustScan = studio != nullptr && studio->nChItemCnt > 0 &&
                          m_model->pScanStudio != nullptr && m_model->pScanStudio != studio;
    const int kind = node != nullptr ? node->nNodeKind : NODE_NONE;
    // The panel and the grid follow the new current node; the rules below run once, here.
    m_following = true;
    SetCurrentNode(m_model, node);
    m_following = false;
    if (kind == NODE_STUDIO) {
        if (item != m_curStudioItem) {
            if (mustScan)
                PostMessage(m_mainFrame, Msg::FrameScanStudio);
            else
                SendMessage(m_navigation, Msg::NavShowStudio, 0, AsLParam(studio));
        }
    } else if (kind == NODE_STROBE || kind == NODE_LIGHT) {
        StrobeData* unit = UnitOfNode(node);
        if (studioItem != m_curStudioItem) {
            if (mustScan)
                PostMessage(m_mainFrame, Msg::FrameScanStudio);
            else
                SendMessage(m_navigation, Msg::NavSelectUnit, 1, AsLParam(unit));
        } else {
            SendMessage(m_navigation, Msg::NavSelectUnit, 0, AsLParam(unit));
        }
    }
    showNodeName(node);
    if (kind == NODE_STUDIO || kind == NODE_STROBE || kind == NODE_LIGHT) {
        SendMessage(m_mainFrame, Msg::FrameEnableCommand, Msg::CMD_NAME, 0);
        m_curStudioItem = studioItem;
    } else {
        m_curStudioItem = nullptr;
    }
}

void CStudioListFormView::onNewUnit(qintptr channel, StrobeData* unit) {
    if (unit == nullptr)
        return;
    // Under the unit's own studio, the addressed one that the report filled; a unit a rebuild
    // already showed is not shown twice.
    QTreeWidgetItem* parent =
        studioItem(shownStudioNumber(*m_model, static_cast<StudioData*>(unit->pParent)));
    if (itemShowing(unit) == nullptr)
        addUnitItems(parent, unit);
    // The grid shows one studio: a head of another is in the tree only.
    if (unit->pParent == StudioOfNode(m_model->pCurNode))
        SendMessage(m_navigation, Msg::NavUnitAdded, channel, AsLParam(unit));
}

void CStudioListFormView::onRename() {
    const QString text = m_edit->text();
    NodeHeader* node = m_model->pCurNode;
    const int kind = node != nullptr ? node->nNodeKind : NODE_NONE;
    if (kind == NODE_STUDIO) {
        auto* studio = static_cast<StudioData*>(node);
        // A blank studio could not be found again in the tree or the grid's heading.
        if (text.trimmed().isEmpty()) {
            if (m_actions != nullptr)
                m_actions->tell(QStringLiteral("A studio needs a name: %1 keeps its own")
                                    .arg(studio->sStudioName));
            showNodeName(node);
        } else {
            RenameStudio(m_model, studio, text);
        }
    } else if (kind == NODE_STROBE || kind == NODE_LIGHT) {
        StrobeData* unit = UnitOfNode(node);
        const HeadSnapshot before = SnapshotOf(*unit);
        {
            HeadEdit edit(m_model->news, *unit);
            if (kind == NODE_STROBE)
                unit->sModelName = text;
            else
                unit->sLightName = text;
        }
        onUnitRenamed(kind == NODE_LIGHT, unit);
        if (m_actions != nullptr &&
            before.modelName + before.lightName != unit->sModelName + unit->sLightName)
            m_actions->renamed(before, kind == NODE_LIGHT);
    }
    SendMessage(m_mainFrame, Msg::FrameEnableCommand, Msg::CMD_NAME, 0);
}

void CStudioListFormView::onStudioCleared(qintptr lParam, bool onlyShown) {
    auto* studio = reinterpret_cast<StudioData*>(lParam);
    const int n = shownStudioNumber(*m_model, studio);
    if (n < 0)
        return;
    rebuildStudio(n);
    if (!onlyShown || studio == StudioOfNode(m_model->pCurNode))
        SendMessage(m_navigation, Msg::NavShowStudio, 0, lParam);
}

void CStudioListFormView::onMemoryApplied() {
    const int n = shownStudioNumber(*m_model, StudioOfNode(m_model->pCurNode));
    if (n < 0)
        return;
    rebuildStudio(n);
    m_tree->viewport()->repaint();
    // The rebuild may have moved the current node.
    SendMessage(m_navigation, Msg::NavShowStudio, 0, AsLParam(StudioOfNode(m_model->pCurNode)));
}

void CStudioListFormView::onUnitRenamed(bool light, StrobeData* unit) {
    if (unit == nullptr)
        return;
    if (light) {
        if (QTreeWidgetItem* item = itemShowing(&unit->lightNode))
            item->setText(0, unit->sLightName);
    } else {
        showUnitText(unit);
    }
    // The grid's name row shows the unit's name: refresh its block now.
    if (!light)
        SendMessage(m_navigation, Msg::NavUnitStatus, unit->nChNum, AsLParam(unit));
    if (UnitOfNode(m_model->pCurNode) == unit)
        showNodeName(m_model->pCurNode);
}

void CStudioListFormView::rebuildStudio(int n) {
    QTreeWidgetItem* studio = studioItem(n);
    if (studio == nullptr)
        return;
    // Deleting the selected item would let the view select a neighbour, possibly another
    // studio, and run the selection for it; the studio's own item takes the selection first.
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (!selected.isEmpty() && selected.constFirst() != studio &&
        isWithin(selected.constFirst(), studio))
        m_tree->setCurrentItem(studio);
    else if (m_tree->currentItem() != studio && isWithin(m_tree->currentItem(), studio))
        m_tree->setCurrentItem(studio, 0, QItemSelectionModel::NoUpdate);
    // The records these items showed may be gone: the items are deleted without a look at them.
    qDeleteAll(studio->takeChildren());
    const StudioData& held = *m_model->studios[std::size_t(n)];
    for (int slot = 0; slot < kChannelCount; ++slot) {
        if (held.bChUsed[std::size_t(slot)])
            addUnitItems(studio, held.pStrobe[std::size_t(slot)].get());
    }
}

void CStudioListFormView::addUnitItems(QTreeWidgetItem* parent, StrobeData* unit) {
    if (parent == nullptr || unit == nullptr)
        return;
    QTreeWidgetItem* item = insertSorted(parent, unitText(*unit), ImageUnit, unit, NODE_STROBE);
    item->setToolTip(0, StopsWordsOf(*m_model, *unit).tip);
    insertSorted(item, unit->sLightName, ImageLight, &unit->lightNode, NODE_LIGHT);
}

void CStudioListFormView::showUnitText(StrobeData* unit) {
    if (QTreeWidgetItem* item = itemShowing(unit))
        item->setText(0, unitText(*unit));
}

void CStudioListFormView::showStopsTips(int n) {
    if (n < 0 || n >= kStudioCount)
        return;
    for (StrobeData* unit : UnitsOf(m_model->studios[std::size_t(n)].get())) {
        if (QTreeWidgetItem* item = itemShowing(unit))
            item->setToolTip(0, StopsWordsOf(*m_model, *unit).tip);
    }
}

void CStudioListFormView::showHeadMenu(const QPoint& pos) {
    QTreeWidgetItem* item = m_tree->itemAt(pos);
    NodeHeader* node = nodeOf(item);
    if (m_model == nullptr || node == nullptr || node->nNodeKind != NODE_STROBE)
        return;
    auto* unit = static_cast<StrobeData*>(node);
    auto* studio = static_cast<StudioData*>(unit->pParent);
    auto* menu = new QMenu(m_tree);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("%1 head menu").arg(unit->sChName));
    menu->setToolTipsVisible(true);
    // A head met again by the menu's actions may have gone with a scan: its serial tells.
    const std::uint64_t serial = unit->serial;
    const int studioNumber = shownStudioNumber(*m_model, studio);
    const int channel = unit->nChNum;
    const auto held = [this, serial, studioNumber, channel]() -> StrobeData* {
        if (studioNumber < 0 || studioNumber >= kStudioCount)
            return nullptr;
        StrobeData* u = m_model->studios[std::size_t(studioNumber)]->UnitOn(channel);
        return u != nullptr && u->serial == serial ? u : nullptr;
    };

    QMenu* roles = menu->addMenu(QStringLiteral("Role"));
    roles->setAccessibleName(QStringLiteral("Role"));
    roles->setToolTipsVisible(true);
    auto* group = new QActionGroup(roles);
    for (int r = 0; r < kRoleCount; ++r) {
        const auto role = HeadRole(r);
        const QString text = role == HeadRole::None ? QStringLiteral("None") : RoleText(role);
        QAction* action = roles->addAction(text);
        action->setCheckable(true);
        action->setChecked(RoleOf(*unit) == role);
        action->setToolTip(
            QStringLiteral("%1 plays the %2 part in the set")
                .arg(unit->sChName, role == HeadRole::None ? QStringLiteral("no") : text));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, held, role] {
            if (StrobeData* u = held())
                setRole(u, role);
        });
    }
    const bool chosen = studio->nKeyChannel >= 0;
    QAction* fromThis = menu->addAction(QStringLiteral("Measure stops from this head"));
    fromThis->setCheckable(true);
    fromThis->setChecked(KeyUnitOf(studio) == unit);
    fromThis->setToolTip(QStringLiteral("Every head of %1 shows its stops from %2")
                             .arg(studio->sStudioName, unit->sChName));
    connect(fromThis, &QAction::triggered, this, [this, held, studioNumber, channel] {
        if (held() != nullptr)
            SetKeyChannel(m_model, m_model->studios[std::size_t(studioNumber)].get(), channel);
    });
    QAction* fromFirst = menu->addAction(QStringLiteral("Measure stops from the first Key"));
    fromFirst->setEnabled(chosen);
    fromFirst->setToolTip(
        QStringLiteral("Stops are measured from the first head whose role is Key"));
    connect(fromFirst, &QAction::triggered, this, [this, studioNumber] {
        SetKeyChannel(m_model, m_model->studios[std::size_t(studioNumber)].get(), -1);
    });
    menu->popup(m_tree->viewport()->mapToGlobal(pos));
}

void CStudioListFormView::setRole(StrobeData* unit, HeadRole role) {
    if (RoleOf(*unit) == role)
        return;
    // As a rename: a step of the history, and the phone hears of it.
    const HeadSnapshot before = SnapshotOf(*unit);
    {
        HeadEdit edit(m_model->news, *unit);
        unit->nRole = int(role);
    }
    onUnitRenamed(false, unit);
    if (m_actions != nullptr)
        m_actions->renamed(before, false);
}

void CStudioListFormView::resizeEvent(QResizeEvent* event) {
    CFormPane::resizeEvent(event);
    placeWidgets();
}

void CStudioListFormView::placeWidgets() {
    const int cx = width();
    const int cy = height();
    m_tree->setGeometry(8, 30, qMax(0, cx - 20), qMax(0, cy - 70));
    m_edit->setGeometry(8, cy - 30, qMax(0, cx - 20), m_edit->sizeHint().height());
}

} // namespace lumadesk
