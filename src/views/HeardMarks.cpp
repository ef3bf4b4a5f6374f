#include "views/HeardMarks.h"

#include "link/HeardLog.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "ui/ConfirmationLook.h"
#include "ui/PlainText.h"
#include "views/CNavigationGrid.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QTreeWidget>

namespace lumadesk {

namespace {

constexpr int kNodeRole = Qt::UserRole; // the tree's items carry their node here

// Paints the wash over the blocks of heads not answering and the marks of unconfirmed values;
// transparent to the mouse.
class BlockWash : public QWidget {
public:
    BlockWash(CNavigationGrid* grid, const std::vector<int>& quiet,
              const std::vector<Confirmation>& marks)
        : QWidget(grid->viewport()), m_grid(grid), m_quiet(quiet), m_marks(marks) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int block : m_quiet) {
            const int top = m_grid->rowViewportPosition(block * CNavigationGrid::kRowsPerBlock);
            int height = 0;
            for (int r = 0; r < CNavigationGrid::kRowsPerBlock; ++r)
                height += m_grid->rowHeight(block * CNavigationGrid::kRowsPerBlock + r);
            painter.fillRect(QRect(0, top, width(), height), QColor(128, 128, 128, 110));
        }
        // The mark sits at the right end of the name row, clear of the levels and icons.
        const int size = ConfirmationMark::kSize;
        for (int block = 0; block < int(m_marks.size()); ++block) {
            if (m_marks[std::size_t(block)] == Confirmation::Confirmed)
                continue;
            const int row = block * CNavigationGrid::kRowsPerBlock + 1;
            const int right = m_grid->columnViewportPosition(4) + m_grid->columnWidth(4);
            const int top =
                m_grid->rowViewportPosition(row) + std::max(0, (m_grid->rowHeight(row) - size) / 2);
            PaintConfirmationMark(painter, QRect(right - size - 3, top, size, size),
                                  m_marks[std::size_t(block)]);
        }
    }

private:
    CNavigationGrid* m_grid;
    const std::vector<int>& m_quiet;
    const std::vector<Confirmation>& m_marks;
};

} // namespace

HeardMarks::HeardMarks(StudioModel& model, const RadioLink& radio, CNavigationGrid* grid,
                       QTreeWidget* tree, QObject* parent)
    : QObject(parent), m_model(model), m_radio(radio), m_grid(grid), m_tree(tree),
      m_wash(new BlockWash(grid, m_quiet, m_marks)) {
    m_wash->setGeometry(grid->viewport()->rect());
    m_wash->show();
    grid->viewport()->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    // The viewport scrolls its children along; the wash stays put and is drawn afresh.
    connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, m_wash, [this] {
        m_wash->setGeometry(m_grid->viewport()->rect());
        m_wash->update();
    });
}

HeardMarks::~HeardMarks() {
    delete m_wash;
}

bool HeardMarks::isAnswering(const StrobeData* unit) const {
    const StudioData* studio = unit != nullptr ? static_cast<StudioData*>(unit->pParent) : nullptr;
    return studio == nullptr || m_radio.isAnswering(studio->nStudioNum, unit->nChNum);
}

QString HeardMarks::tipFor(const StrobeData* unit) const {
    const StudioData* studio = unit != nullptr ? static_cast<StudioData*>(unit->pParent) : nullptr;
    if (studio == nullptr)
        return {};
    const int n = studio->nStudioNum;
    QStringList lines{LastHeardText(m_radio.heard().ageMs(n, unit->nChNum))};
    if (m_radio.heard().missedCheck(n, unit->nChNum))
        lines << QStringLiteral("not answering: no report to the last check");
    lines << m_radio.pending().notesOf(*unit);
    return lines.join(QLatin1Char('\n'));
}

void HeardMarks::refresh() {
    if (m_wash == nullptr) // the grid, and the wash with it, went first
        return;
    std::vector<int> quiet;
    std::vector<Confirmation> marks;
    std::vector<QString> descriptions;
    const auto& shown = m_model.arrShown;
    for (int i = 0; i < m_grid->shownCount() && i < int(shown.size()); ++i) {
        const StrobeData* unit = shown[std::size_t(i)];
        if (!m_model.OwnsRecord(unit)) {
            marks.push_back(Confirmation::Confirmed);
            descriptions.emplace_back();
            continue;
        }
        if (!isAnswering(unit))
            quiet.push_back(i);
        marks.push_back(m_radio.pending().headState(*unit));
        QStringList words = m_radio.pending().notesOf(*unit);
        if (!isAnswering(unit))
            words.prepend(QStringLiteral("%1 not answering").arg(unit->sChName));
        descriptions.push_back(words.join(QStringLiteral("; ")));
    }
    for (int i = 0; i < int(descriptions.size()); ++i)
        m_grid->SetCellDescription(0, i * CNavigationGrid::kRowsPerBlock + 2,
                                   descriptions[std::size_t(i)]);
    if (quiet == m_quiet && marks == m_marks)
        return;
    m_quiet = std::move(quiet);
    m_marks = std::move(marks);
    m_wash->update();
}

QString HeardMarks::gridTip(const QPoint& at) const {
    const int row = m_grid->rowAt(at.y());
    if (row < 0)
        return {};
    const int block = row / CNavigationGrid::kRowsPerBlock;
    const auto& shown = m_model.arrShown;
    if (block >= m_grid->shownCount() || block >= int(shown.size()) ||
        !m_model.OwnsRecord(shown[std::size_t(block)]))
        return {};
    // A cell's own tip (a switch icon's) comes first.
    QStringList lines{m_grid->indexAt(at).data(Qt::ToolTipRole).toString()};
    lines << tipFor(shown[std::size_t(block)]);
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

StrobeData* HeardMarks::unitOfTreeNode(const void* node) const {
    for (const auto& studio : m_model.studios) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            StrobeData* unit = studio->UnitOn(channel);
            if (unit != nullptr && (node == unit || node == &unit->lightNode))
                return unit;
        }
    }
    return nullptr;
}

QString HeardMarks::treeTip(const QPoint& at) const {
    const QTreeWidgetItem* item = m_tree->itemAt(at);
    if (item == nullptr)
        return {};
    const auto node = reinterpret_cast<const void*>(item->data(0, kNodeRole).value<quintptr>());
    // The item's own tip (a head's stops from the key) comes first.
    QStringList lines{item->toolTip(0), tipFor(unitOfTreeNode(node))};
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

bool HeardMarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid->viewport() && event->type() == QEvent::Resize)
        m_wash->setGeometry(m_grid->viewport()->rect());
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = watched == m_grid->viewport() ? gridTip(help->pos()) : treeTip(help->pos());
    if (tip.isEmpty())
        return QObject::eventFilter(watched, event);
    QToolTip::showText(help->globalPos(), PlainToolTip(tip), static_cast<QWidget*>(watched));
    return true;
}

} // namespace lumadesk
