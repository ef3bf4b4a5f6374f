#include "views/CUGCtrl.h"

#include "ui/CachedText.h"
#include "ui/FrameClock.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumadesk {

// ---- model

int CUGCellModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CUGCellModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

const CUGCell* CUGCellModel::cell(int col, int row) const {
    if (col < 0 || col >= m_columns || row < -1 || row >= int(m_rows.size()))
        return nullptr;
    return row == -1 ? &m_heading[std::size_t(col)] : &m_rows[std::size_t(row)][std::size_t(col)];
}

CUGCell* CUGCellModel::cell(int col, int row) {
    return const_cast<CUGCell*>(std::as_const(*this).cell(col, row));
}

static QVariant cellData(const CUGCell& cell, int role) {
    const bool checkBox = cell.cellType == CUGCtrl::kCheckBoxType;
    const QString& shown = checkBox ? cell.label : cell.text;
    switch (role) {
    case Qt::DisplayRole:
        return shown;
    case Qt::AccessibleTextRole:
        return cell.name.isEmpty() ? shown : cell.name;
    case Qt::AccessibleDescriptionRole: {
        // A cell named apart from what it shows still tells what it shows.
        QStringList words;
        if (!cell.spoken.isEmpty())
            words << cell.spoken;
        else if (const QString plain =
                     QString(shown).replace(QLatin1Char('\n'), QLatin1String(", ")).simplified();
                 !cell.name.isEmpty() && !plain.isEmpty() && plain != cell.name)
            words << plain;
        if (!cell.description.isEmpty())
            words << cell.description;
        return words.isEmpty() ? QVariant() : QVariant(words.join(QLatin1String("; ")));
    }
    case Qt::ToolTipRole:
        return cell.tip.isEmpty() ? QVariant() : QVariant(cell.tip);
    case Qt::CheckStateRole:
        if (checkBox)
            return cell.text.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

QVariant CUGCellModel::data(const QModelIndex& index, int role) const {
    const CUGCell* c = cell(index.column(), index.row());
    if (c == nullptr)
        return {};
    // A reader meets the cells under a joined check box too: they tell its state.
    if (role == Qt::CheckStateRole)
        c = checkBoxOf(index.column(), index.row());
    return c == nullptr ? QVariant() : cellData(*c, role);
}

const CUGCell* CUGCellModel::checkBoxOf(int col, int row) const {
    const CUGCell* c = cell(col, row);
    if (c != nullptr && !c->joinedAt.isNull())
        c = cell(col + c->joinedAt.x(), row + c->joinedAt.y());
    return c != nullptr && c->cellType == CUGCtrl::kCheckBoxType ? c : nullptr;
}

void CUGCellModel::join(int col0, int row0, int col1, int row1) {
    for (int row = row0; row <= row1; ++row) {
        for (int col = col0; col <= col1; ++col) {
            if (CUGCell* c = cell(col, row))
                c->joinedAt = QPoint(col0 - col, row0 - row);
        }
    }
}

QVariant CUGCellModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    const CUGCell* c = cell(section, -1);
    return c == nullptr ? QVariant() : cellData(*c, role);
}

Qt::ItemFlags CUGCellModel::flags(const QModelIndex& index) const {
    const CUGCell* c = cell(index.column(), index.row());
    if (c == nullptr)
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (const CUGCell* box = checkBoxOf(index.column(), index.row());
        box != nullptr && !box->readOnly)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void CUGCellModel::setColumnCount(int count) {
    count = qMax(0, count);
    if (count == m_columns)
        return;
    beginResetModel();
    m_columns = count;
    m_heading.resize(std::size_t(count));
    for (auto& row : m_rows)
        row.resize(std::size_t(count));
    endResetModel();
}

void CUGCellModel::insertRow(int row) {
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, std::vector<CUGCell>(std::size_t(m_columns)));
    endInsertRows();
}

void CUGCellModel::removeRow(int row) {
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CUGCellModel::cellsChanged(int col0, int row0, int col1, int row1) {
    if (row0 == -1) {
        emit headerDataChanged(Qt::Horizontal, col0, col1);
        row0 = 0;
    }
    if (row1 >= row0 && row1 >= 0)
        emit dataChanged(index(row0, col0), index(row1, col1));
}

// ---- top heading

// The heading row drawn by the grid's own cell painter, joined columns as one cell, with its
// check boxes taking clicks.
class CUGHeading : public QHeaderView {
public:
    explicit CUGHeading(CUGCtrl* grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
    }

    QRect spanRect(int col) const {
        const auto [first, last] = m_grid->headingSpan(col);
        const int left = sectionViewportPosition(first);
        const int right = sectionViewportPosition(last) + sectionSize(last);
        return QRect(left, 0, right - left, viewport()->height());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(viewport());
        for (int col = 0; col < count(); ++col) {
            if (m_grid->headingSpan(col).first != col)
                continue;
            const QRect rect = spanRect(col);
            CUGCellPainter::paintCell(&painter, rect, m_grid->EffectiveCell(col, -1));
            painter.setPen(QColor(0x80, 0x80, 0x80));
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
            painter.drawLine(rect.topRight(), rect.bottomRight());
        }
    }

    void mousePressEvent(QMouseEvent* event) override { clicked(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { clicked(event); }
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}

private:
    void clicked(QMouseEvent* event) {
        if (event->button() != Qt::LeftButton)
            return;
        const int col = m_grid->headingSpan(logicalIndexAt(event->position().toPoint())).first;
        const CUGCell* cell = m_grid->m_model->cell(col, -1);
        if (cell != nullptr && cell->cellType == CUGCtrl::kCheckBoxType &&
            CUGCtrl::CheckBoxRect(spanRect(col)).contains(event->position().toPoint()))
            m_grid->toggleCheckBox(col, -1);
    }

    CUGCtrl* m_grid;
};

// ---- painter

QRect CUGCtrl::CheckBoxRect(const QRect& cellRect) {
    const int side = qMin(cellRect.height() - 6, 12);
    return QRect(cellRect.left() + 3, cellRect.top() + (cellRect.height() - side) / 2, side, side);
}

void CUGCellPainter::paintCell(QPainter* painter, const QRect& rect, const CUGCell& cell) {
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, cell.backColor);
    if (!cell.bitmap.isNull()) {
        const QSize size = cell.bitmap.deviceIndependentSize().toSize();
        painter->drawPixmap(QRect(QPoint(rect.left() + (rect.width() - size.width()) / 2,
                                         rect.top() + (rect.height() - size.height()) / 2),
                                  size),
                            cell.bitmap);
    }
    painter->setFont(*cell.font);
    painter->setPen(cell.textColor);
    if (cell.cellType == CUGCtrl::kCheckBoxType) {
        const QRect box = CUGCtrl::CheckBoxRect(rect);
        if (cell.cellTypeEx & CUGCtrl::kCheckBox3D) {
            // Sunken: shadow and dark shadow above and left, highlight and face below and right.
            const QRect outer = box.adjusted(0, 0, -1, -1);
            painter->fillRect(box, Qt::white);
            painter->setPen(QColor(0x80, 0x80, 0x80));
            painter->drawLine(outer.topLeft(), outer.topRight());
            painter->drawLine(outer.topLeft(), outer.bottomLeft());
            painter->setPen(Qt::white);
            painter->drawLine(outer.bottomLeft(), outer.bottomRight());
            painter->drawLine(outer.topRight(), outer.bottomRight());
            const QRect inner = outer.adjusted(1, 1, -1, -1);
            painter->setPen(QColor(0x40, 0x40, 0x40));
            painter->drawLine(inner.topLeft(), inner.topRight());
            painter->drawLine(inner.topLeft(), inner.bottomLeft());
            painter->setPen(QColor(0xD4, 0xD0, 0xC8));
            painter->drawLine(inner.bottomLeft(), inner.bottomRight());
            painter->drawLine(inner.topRight(), inner.bottomRight());
        } else {
            painter->fillRect(box, Qt::white);
            painter->setPen(Qt::black);
            painter->drawRect(box.adjusted(0, 0, -1, -1));
        }
        if (cell.text.toInt() != 0) {
            const QRectF mark = QRectF(box).adjusted(3, 3, -3, -3);
            painter->setPen(QPen(Qt::black, 1.6));
            painter->setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            if (cell.cellTypeEx & CUGCtrl::kCheckBoxTick) {
                path.moveTo(mark.left(), mark.center().y());
                path.lineTo(mark.left() + mark.width() * 0.4, mark.bottom());
                path.lineTo(mark.right(), mark.top());
            } else {
                path.moveTo(mark.topLeft());
                path.lineTo(mark.bottomRight());
                path.moveTo(mark.bottomLeft());
                path.lineTo(mark.topRight());
            }
            painter->drawPath(path);
            painter->setRenderHint(QPainter::Antialiasing, false);
        }
        painter->setPen(cell.textColor);
        const QRect labelRect(box.right() + 1 + 3, rect.top(), rect.right() - box.right() - 3,
                              rect.height());
        DrawCachedText(painter, labelRect, cell.alignment, cell.label);
        if (!cell.aside.isEmpty()) {
            // On the label's first line, as the label's lines stand centred in the cell.
            const int line = QFontMetrics(*cell.font).height();
            const int lines = int(cell.label.count(QLatin1Char('\n'))) + 1;
            const QRect first(labelRect.left(), rect.top() + (rect.height() - lines * line) / 2,
                              labelRect.width() - 4, line);
            DrawCachedText(painter, first, Qt::AlignRight | Qt::AlignVCenter, cell.aside);
        }
    } else if (!cell.text.isEmpty()) {
        DrawCachedText(painter, rect.adjusted(2, 0, -2, 0), cell.alignment, cell.text);
    }
    painter->restore();
}

void CUGCellPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    paintCell(painter, option.rect, m_grid->EffectiveCell(index.column(), index.row()));
}

// ---- grid

CUGCtrl::CUGCtrl(QWidget* parent)
    : QTableView(parent), m_model(new CUGCellModel(this)), m_heading(new CUGHeading(this)) {
    m_defFont = font();
    m_headingDefault.backColor = palette().color(QPalette::Button);
    m_headingDefault.textColor = palette().color(QPalette::ButtonText);
    m_headingDefault.font = m_defFont;
    m_headingDefault.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    setHorizontalHeader(m_heading);
    setModel(m_model);
    setItemDelegate(new CUGCellPainter(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CUGCtrl::onCurrentChanged);
}

CUGCtrl::~CUGCtrl() = default;

bool CUGCtrl::AttachGrid(QWidget* placeholder) {
    if (placeholder == nullptr || placeholder->parentWidget() == nullptr)
        return false;
    QWidget* parent = placeholder->parentWidget();
    setParent(parent);
    setGeometry(placeholder->geometry());
    if (QLayout* layout = parent->layout())
        delete layout->replaceWidget(placeholder, this);
    delete placeholder;
    show();
    OnSetup();
    return true;
}

void CUGCtrl::SetDefFont(const QFont& font) {
    m_defFont = font;
    setFont(font);
    RedrawAll();
}

void CUGCtrl::SetTH_Height(int height) {
    m_heading->setFixedHeight(qMax(0, height));
    m_heading->setVisible(height > 0);
}

void CUGCtrl::SetSH_Width(int width) {
    verticalHeader()->setFixedWidth(qMax(0, width));
    verticalHeader()->setVisible(width > 0);
}

void CUGCtrl::SetDefRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

void CUGCtrl::SetDefColWidth(int width) {
    m_heading->setMinimumSectionSize(1);
    m_heading->setDefaultSectionSize(width);
}

void CUGCtrl::SetNumberCols(int count) {
    m_model->setColumnCount(count);
    m_headingJoins.clear();
    queueAll();
}

int CUGCtrl::GetNumberCols() const {
    return m_model->columnCount();
}

void CUGCtrl::SetColWidth(int col, int width) {
    setColumnWidth(col, width);
}

void CUGCtrl::SetRowHeight(int row, int height) {
    setRowHeight(row, height);
}

int CUGCtrl::GetRowHeight(int row) const {
    return rowHeight(row);
}

void CUGCtrl::EnableUserSizing(bool enable) {
    const auto mode = enable ? QHeaderView::Interactive : QHeaderView::Fixed;
    m_heading->setSectionResizeMode(mode);
    verticalHeader()->setSectionResizeMode(mode);
}

void CUGCtrl::SetHeadingDefault(const CUGCell& cell) {
    m_headingDefault = cell;
    m_heading->viewport()->update();
}

int CUGCtrl::GetNumberRows() const {
    return m_model->rowCount();
}

bool CUGCtrl::InsertRow(int row) {
    if (row < 0 || row > GetNumberRows())
        return false;
    m_model->insertRow(row);
    queueAll();
    return true;
}

bool CUGCtrl::DeleteRow(int row) {
    if (row < 0 || row >= GetNumberRows())
        return false;
    // Qt would move the current cell to a neighbour and report it; the owner deleting rows is
    // rebuilding and does not want to hear about cells it is removing.
    if (currentIndex().row() == row) {
        m_quiet = true;
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        m_quiet = false;
    }
    m_model->removeRow(row);
    queueAll();
    return true;
}

bool CUGCtrl::GetCell(int col, int row, CUGCell* cell) const {
    const CUGCell* c = m_model->cell(col, row);
    if (c == nullptr || cell == nullptr)
        return false;
    *cell = *c;
    return true;
}

bool CUGCtrl::SetCell(int col, int row, const CUGCell& cell) {
    CUGCell* c = m_model->cell(col, row);
    if (c == nullptr)
        return false;
    *c = cell;
    return true;
}

void CUGCtrl::SetCellDescription(int col, int row, const QString& text) {
    CUGCell* cell = cellModel()->cell(col, row);
    if (cell == nullptr || cell->description == text)
        return;
    cell->description = text;
    RedrawCell(col, row);
}

bool CUGCtrl::QuickSetText(int col, int row, const QString& text) {
    CUGCell* c = m_model->cell(col, row);
    return c != nullptr && (c->text = text, true);
}

bool CUGCtrl::QuickSetLabelText(int col, int row, const QString& label) {
    CUGCell* c = m_model->cell(col, row);
    return c != nullptr && (c->label = label, true);
}

bool CUGCtrl::QuickSetBitmap(int col, int row, const QPixmap& bitmap) {
    CUGCell* c = m_model->cell(col, row);
    return c != nullptr && (c->bitmap = bitmap, true);
}

bool CUGCtrl::QuickSetCellType(int col, int row, int type) {
    CUGCell* c = m_model->cell(col, row);
    return c != nullptr && (c->cellType = type, true);
}

bool CUGCtrl::QuickSetCellTypeEx(int col, int row, int extension) {
    CUGCell* c = m_model->cell(col, row);
    return c != nullptr && (c->cellTypeEx = extension, true);
}

QString CUGCtrl::QuickGetText(int col, int row) const {
    const CUGCell* c = m_model->cell(col, row);
    return c == nullptr ? QString() : c->text;
}

bool CUGCtrl::JoinCells(int col0, int row0, int col1, int row1) {
    if (m_model->cell(col0, row0) == nullptr || m_model->cell(col1, row1) == nullptr ||
        col1 < col0 || row1 < row0)
        return false;
    if (row0 == -1) {
        if (row1 != -1)
            return false;
        m_headingJoins.emplace_back(col0, col1);
        m_heading->viewport()->update();
        return true;
    }
    setSpan(row0, col0, row1 - row0 + 1, col1 - col0 + 1);
    m_model->join(col0, row0, col1, row1);
    return true;
}

std::pair<int, int> CUGCtrl::headingSpan(int col) const {
    for (const auto& join : m_headingJoins) {
        if (col >= join.first && col <= join.second)
            return join;
    }
    return {col, col};
}

bool CUGCtrl::GotoCell(int col, int row) {
    const QModelIndex index = m_model->index(row, col);
    if (!index.isValid())
        return false;
    setCurrentIndex(index);
    return true;
}

int CUGCtrl::GetCurrentCol() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int CUGCtrl::GetCurrentRow() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void CUGCtrl::RedrawAll() {
    queueAll();
    const int cols = GetNumberCols();
    if (cols > 0)
        m_model->cellsChanged(0, -1, cols - 1, GetNumberRows() - 1);
    m_heading->viewport()->update();
}

void CUGCtrl::RedrawCell(int col, int row) {
    RedrawRange(col, row, col, row);
}

void CUGCtrl::RedrawRange(int col0, int row0, int col1, int row1) {
    if (m_model->cell(col0, row0) == nullptr || m_model->cell(col1, row1) == nullptr)
        return;
    m_model->cellsChanged(col0, row0, col1, row1);
    if (row0 == -1)
        m_heading->viewport()->update();
}

bool CUGCtrl::Look::operator==(const CUGCell& cell) const {
    return known && text == cell.text && label == cell.label && aside == cell.aside &&
           backColor == cell.backColor && textColor == cell.textColor && font == cell.font &&
           alignment == cell.alignment && cellType == cell.cellType &&
           cellTypeEx == cell.cellTypeEx && bitmap == cell.bitmap.cacheKey();
}

void CUGCtrl::Look::take(const CUGCell& cell) {
    text = cell.text;
    label = cell.label;
    aside = cell.aside;
    backColor = cell.backColor;
    textColor = cell.textColor;
    font = cell.font;
    alignment = cell.alignment;
    cellType = cell.cellType;
    cellTypeEx = cell.cellTypeEx;
    bitmap = cell.bitmap.cacheKey();
    known = true;
}

void CUGCtrl::forgetLooks() {
    for (Look& look : m_looks)
        look.known = false;
}

void CUGCtrl::queueAll() {
    // Rows moved or the whole grid asked for: cells waiting by place are part of it.
    for (Look& look : m_looks)
        look = Look();
    m_dirty.clear();
    m_paintAll = true;
    askForFrame();
}

FrameClock& CUGCtrl::clock() {
    if (m_clock == nullptr || m_clock->parent() != window()) {
        m_clock = &FrameClock::of(this);
        if (m_drains != nullptr)
            m_clock->follow(*m_drains);
    }
    return *m_clock;
}

void CUGCtrl::askForFrame() {
    clock().request(this, [this] { paintPending(); });
}

void CUGCtrl::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                          const QList<int>&) {
    // No editors here: what Qt would do besides painting is telling readers, which stays at once.
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
#endif
    if (m_paintAll)
        return;
    const int cols = GetNumberCols();
    m_looks.resize(std::size_t(cols * GetNumberRows()));
    bool queued = false;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int col = topLeft.column(); col <= bottomRight.column(); ++col) {
            const CUGCell* cell = m_model->cell(col, row);
            Look& look = m_looks[std::size_t(row * cols + col)];
            if (cell == nullptr || look == *cell)
                continue;
            look.take(*cell);
            if (!look.queued) {
                look.queued = true;
                m_dirty.emplace_back(row, col);
            }
            queued = true;
        }
    }
    if (queued)
        askForFrame();
}

void CUGCtrl::paintPending() {
    clock().forget(this);
    QRegion region;
    if (m_paintAll)
        region = viewport()->rect();
    const int cols = GetNumberCols();
    for (const auto& [row, col] : m_dirty) {
        m_looks[std::size_t(row * cols + col)].queued = false;
        region += visualRect(m_model->index(row, col)) & viewport()->rect();
    }
    m_dirty.clear();
    m_paintAll = false;
    if (region.isEmpty())
        return;
    m_ownPaint += region;
    viewport()->update(region);
}

void CUGCtrl::paintEvent(QPaintEvent* event) {
    // A paint the frame did not ask for alone (exposed, scrolled, Qt's own) may show cells that
    // were stored without a redraw: from then on the looks last queued say nothing.
    if (!(event->region() - m_ownPaint).isEmpty())
        forgetLooks();
    m_ownPaint = QRegion();
    QTableView::paintEvent(event);
}

CUGCell CUGCtrl::EffectiveCell(int col, int row) const {
    CUGCell out;
    GetCell(col, row, &out);
    const CUGCell& fallback = m_headingDefault;
    const bool heading = row == -1;
    if (!out.backColor.isValid())
        out.backColor = heading ? fallback.backColor : QColor(Qt::white);
    if (!out.textColor.isValid())
        out.textColor = heading ? fallback.textColor : QColor(Qt::black);
    if (!out.font)
        out.font = heading && fallback.font ? *fallback.font : m_defFont;
    if ((out.alignment & Qt::AlignHorizontal_Mask) == 0)
        out.alignment |= heading && (fallback.alignment & Qt::AlignHorizontal_Mask)
                             ? fallback.alignment & Qt::AlignHorizontal_Mask
                             : Qt::AlignLeft;
    if ((out.alignment & Qt::AlignVertical_Mask) == 0)
        out.alignment |= heading && (fallback.alignment & Qt::AlignVertical_Mask)
                             ? fallback.alignment & Qt::AlignVertical_Mask
                             : Qt::AlignVCenter;
    return out;
}

void CUGCtrl::OnCellChange(int, int, int, int) {}

int CUGCtrl::OnCellTypeNotify(int, int, int, int, int) {
    return 0;
}

void CUGCtrl::toggleCheckBox(int col, int row) {
    CUGCell* c = m_model->cell(col, row);
    if (c == nullptr || c->cellType != kCheckBoxType || c->readOnly)
        return;
    const int value = c->text.toInt() != 0 ? 0 : 1;
    c->text = QString::number(value);
    RedrawCell(col, row);
    announceCheckState(col, row);
    OnCellTypeNotify(kCheckBoxType, col, row, kCheckBoxChanged, value);
}

void CUGCtrl::announceCheckState(int col, int row) {
#if QT_CONFIG(accessibility)
    if (row < 0 || !QAccessible::isActive())
        return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface* cells = table != nullptr ? table->tableInterface() : nullptr;
    if (cells == nullptr)
        return;
    QAccessible::State ticked;
    ticked.checked = true;
    for (int r = row; r < row + rowSpan(row, col); ++r) {
        for (int c = col; c < col + columnSpan(row, col); ++c) {
            if (QAccessibleInterface* cell = cells->cellAt(r, c)) {
                QAccessibleStateChangeEvent event(cell, ticked);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
#else
    Q_UNUSED(col);
    Q_UNUSED(row);
#endif
}

bool CUGCtrl::clickedCheckBox(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return false;
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    const CUGCell* c = m_model->cell(index.column(), index.row());
    if (c == nullptr || c->cellType != kCheckBoxType ||
        !CheckBoxRect(visualRect(index)).contains(pos))
        return false;
    toggleCheckBox(index.column(), index.row());
    return true;
}

void CUGCtrl::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event); // the cell becomes current first
    clickedCheckBox(event);
}

void CUGCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!clickedCheckBox(event))
        QTableView::mouseDoubleClickEvent(event);
}

void CUGCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const QModelIndex index = currentIndex();
        const CUGCell* c = m_model->cell(index.column(), index.row());
        if (index.isValid() && c != nullptr && c->cellType == kCheckBoxType) {
            toggleCheckBox(index.column(), index.row());
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void CUGCtrl::onCurrentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (m_quiet)
        return;
    const int oldCol = previous.isValid() ? previous.column() : -1;
    const int oldRow = previous.isValid() ? previous.row() : -1;
    const int newCol = current.isValid() ? current.column() : -1;
    const int newRow = current.isValid() ? current.row() : -1;
    if (oldCol != newCol || oldRow != newRow)
        OnCellChange(oldCol, newCol, oldRow, newRow);
}

} // namespace lumadesk
