#include "CScrollView.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Division that rounds toward minus infinity, for points left of or above the picture.
int FloorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

CScrollView::CScrollView(QWidget* parent) : QAbstractScrollArea(parent)
{
    // The document window carries one horizontal bar shared by both of its panes.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumHeight(10);
}

void CScrollView::SetScrollSizes(QSize total)
{
    m_TotalSize = total.expandedTo(QSize(0, 0));
    UpdateScrollBars();
}

QPoint CScrollView::ScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CScrollView::SetZoom(int zoom, QPoint anchor)
{
    zoom = std::clamp(zoom, 1, kMaxZoom);
    if (zoom == m_nZoom)
        return;
    const QPoint scroll = ScrollPosition();
    const double x = static_cast<double>(scroll.x() + anchor.x()) / m_nZoom;
    const double y = static_cast<double>(scroll.y() + anchor.y()) / m_nZoom;
    m_nZoom = zoom;
    UpdateScrollBars();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(x * zoom)) - anchor.x());
    verticalScrollBar()->setValue(static_cast<int>(std::lround(y * zoom)) - anchor.y());
    viewport()->update();
}

QPoint CScrollView::ToLogical(QPoint client) const
{
    const QPoint zoomed = client + ScrollPosition();
    return {FloorDiv(zoomed.x(), m_nZoom), FloorDiv(zoomed.y(), m_nZoom)};
}

QRect CScrollView::ToClient(const QRect& logical) const
{
    return QRect(logical.topLeft() * m_nZoom, logical.size() * m_nZoom).translated(-ScrollPosition());
}

void CScrollView::SetShowsGrid(bool show)
{
    if (show == m_bGrid)
        return;
    m_bGrid = show;
    viewport()->update();
}

void CScrollView::SetMarkedCell(int cell)
{
    if (cell == m_nMarkedCell)
        return;
    // Only the cells that change are repainted; the outline lies just outside the cell.
    for (int changed : {m_nMarkedCell, cell})
        if (changed >= 0)
            viewport()->update(CellRect(changed).adjusted(-2, -2, 2, 2));
    m_nMarkedCell = cell;
}

QRect CScrollView::CellRect(int) const
{
    return viewport()->rect();
}

void CScrollView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A notch is 120 eighths of a degree; finer wheels add up to whole steps.
    m_nWheelAngle += event->angleDelta().y();
    const int steps = m_nWheelAngle / 120;
    m_nWheelAngle -= steps * 120;
    if (steps != 0)
        emit ZoomWheel(steps, event->position().toPoint());
    event->accept();
}

bool CScrollView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        emit CellHovered(-1);
    return QAbstractScrollArea::viewportEvent(event);
}

void CScrollView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CScrollView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CScrollView::UpdateScrollBars()
{
    const QSize client = viewport()->size();
    // A rectangle read from a file may be as wide as an int holds; the zoomed extent stays within it.
    auto zoomed = [this](int length) {
        return static_cast<int>(std::min<long long>(static_cast<long long>(length) * m_nZoom, INT_MAX));
    };
    const QSize total(zoomed(m_TotalSize.width()), zoomed(m_TotalSize.height()));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, total.width() - client.width()));
    horizontal->setPageStep(std::max(1, client.width()));
    horizontal->setSingleStep(std::max(1, client.width() / 10));
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, total.height() - client.height()));
    vertical->setPageStep(std::max(1, client.height()));
    vertical->setSingleStep(std::max(1, client.height() / 10));
    vertical->setEnabled(vertical->maximum() > 0);
}
