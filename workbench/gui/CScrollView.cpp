#include "CScrollView.h"

#include <QScrollBar>

#include <algorithm>

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
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_TotalSize.width() - client.width()));
    horizontal->setPageStep(std::max(1, client.width()));
    horizontal->setSingleStep(std::max(1, client.width() / 10));
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, m_TotalSize.height() - client.height()));
    vertical->setPageStep(std::max(1, client.height()));
    vertical->setSingleStep(std::max(1, client.height() / 10));
    vertical->setEnabled(vertical->maximum() > 0);
}
