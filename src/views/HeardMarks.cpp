#include "views/HeardMarks.h"

#include "link/HeardLog.h"
#include "model/StudioModel.h"
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

// Paints the wash over the silent blocks; transparent to the mouse.
class SilentWash : public QWidget {
public:
    SilentWash(CNavigationGrid* grid, const std::vector<int>& blocks)
        : QWidget(grid->viewport()), m_grid(grid), m_blocks(blocks) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int block : m_blocks) {
            const int top = m_grid->rowViewportPosition(block * CNavigationGrid::kRowsPerBlock);
            int height = 0;
            for (int r = 0; r < CNavigationGrid::kRowsPerBlock; ++r)
                height += m_grid->rowHeight(block * CNavigationGrid::kRowsPerBlock + r);
            painter.fillRect(QRect(0, top, width(), height), QColor(128, 128, 128, 110));
        }
    }

private:
    CNavigationGrid* m_grid;
    const std::vector<int>& m_blocks;
};

} // namespace

HeardMarks::HeardMarks(StudioModel& model, const HeardLog& heard, std::function<bool()> linkUp,
                       CNavigationGrid* grid, QTreeWidget* tree, QObject* parent)
    : QObject(parent), m_model(model), m_heard(heard), m_linkUp(std::move(linkUp)), m_grid(grid),
      m_tree(tree), m_wash(new SilentWash(grid, m_silent)) {
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

bool HeardMarks::isSilent(const StrobeData* unit) const {
    const StudioData* studio = unit != nullptr ? static_cast<StudioData*>(unit->pParent) : nullptr;
    return studio != nullptr && studio == m_model.pScanStudio && m_linkUp() &&
           m_heard.isSilent(studio->nStudioNum, unit->nChNum);
}

QString HeardMarks::tipFor(const StrobeData* unit) const {
    const StudioData* studio = unit != nullptr ? static_cast<StudioData*>(unit->pParent) : nullptr;
    if (studio == nullptr)
        return {};
    return LastHeardText(m_heard.ageMs(studio->nStudioNum, unit->nChNum));
}

void HeardMarks::refresh() {
    if (m_wash == nullptr) // the grid, and the wash with it, went first
        return;
    std::vector<int> silent;
    const auto& shown = m_model.arrShown;
    for (int i = 0; i < m_grid->shownCount() && i < int(shown.size()); ++i) {
        const StrobeData* unit = shown[std::size_t(i)];
        if (m_model.OwnsRecord(unit) && isSilent(unit))
            silent.push_back(i);
    }
    if (silent == m_silent)
        return;
    m_silent = std::move(silent);
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
    return tipFor(shown[std::size_t(block)]);
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
    return tipFor(unitOfTreeNode(node));
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
    QToolTip::showText(help->globalPos(), tip, static_cast<QWidget*>(watched));
    return true;
}

} // namespace lumadesk
