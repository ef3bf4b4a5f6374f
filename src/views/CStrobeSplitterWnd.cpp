#include "views/CStrobeSplitterWnd.h"

#include "ui/UiResources.h"

#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QSvgRenderer>

namespace lumadesk {

namespace {

const QImage& gripImage() {
    static const QImage image = [] {
        InitUiResources();
        QImage grip(CStrobeSplitterWnd::kGripWidth, CStrobeSplitterWnd::kGripHeight,
                    QImage::Format_ARGB32_Premultiplied);
        grip.fill(Qt::transparent);
        QSvgRenderer renderer(QStringLiteral(":/lumadesk/grip.svg"));
        QPainter painter(&grip);
        renderer.render(&painter);
        return grip;
    }();
    return image;
}

} // namespace

CStrobeSplitterWnd::CStrobeSplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(kBarWidth);
    setOpaqueResize(true);
}

QWidget* CStrobeSplitterWnd::GetPane(int row, int column) const {
    if (row != 0 || column < 0 || column >= count())
        return nullptr;
    return widget(column);
}

void CStrobeSplitterWnd::SetColumnInfo(int column, int ideal, int minimum) {
    QWidget* pane = GetPane(0, column);
    if (pane == nullptr)
        return;
    pane->setMinimumWidth(minimum);
    if (m_ideal.size() <= column)
        m_ideal.resize(column + 1, 0);
    m_ideal[column] = ideal;
    // As the frame grows or shrinks, the last column takes the difference.
    setStretchFactor(column, column == count() - 1 ? 1 : 0);
}

void CStrobeSplitterWnd::RestoreColumnWidths(const QList<int>& widths) {
    for (int column = 0; column < count() - 1 && column < widths.size(); ++column) {
        if (m_ideal.size() <= column)
            m_ideal.resize(column + 1, 0);
        m_ideal[column] = qMax(widths[column], widget(column)->minimumWidth());
    }
    if (m_laidOut)
        applyIdealWidths();
}

QPoint CStrobeSplitterWnd::GripPosition(int column0Width, int clientHeight) {
    return QPoint(column0Width + 4, (clientHeight - kGripHeight) / 2);
}

void CStrobeSplitterWnd::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    if (!m_laidOut && event->size().width() > 0 && count() > 1) {
        m_laidOut = true;
        applyIdealWidths();
    }
}

void CStrobeSplitterWnd::applyIdealWidths() {
    QList<int> widths;
    int used = 0;
    for (int column = 0; column < count() - 1; ++column) {
        const int ideal = column < m_ideal.size() ? m_ideal[column] : 0;
        widths.append(ideal);
        used += ideal + handleWidth();
    }
    widths.append(qMax(0, width() - used));
    setSizes(widths);
}

QSplitterHandle* CStrobeSplitterWnd::createHandle() {
    return new CStrobeSplitterHandle(orientation(), this);
}

CStrobeSplitterHandle::CStrobeSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void CStrobeSplitterHandle::paintEvent(QPaintEvent*) {
    const QSplitter* owner = splitter();
    const QWidget* column0 = owner->widget(0);
    if (column0 == nullptr)
        return;
    // The position is the splitter's, taken from column 0's width now, so the grip follows a
    // drag at the next repaint; this handle draws its part of it.
    const QPoint at = CStrobeSplitterWnd::GripPosition(column0->width(), owner->height()) - pos();
    QPainter painter(this);
    painter.drawImage(at, gripImage());
}

} // namespace lumadesk
