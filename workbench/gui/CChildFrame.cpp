#include "CChildFrame.h"

#include "CGuiDocument.h"
#include "CRecGraphicsView.h"
#include "CRecResTextView.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "PaneOverlays.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

CChildFrame::CChildFrame(CGuiDocument& document, QSize initialSize, QWidget* parent)
    : QWidget(parent), m_pDocument(&document)
{
    resize(initialSize);
    OnCreateClient(initialSize);
    document.AddFrame(this);
}

CChildFrame::~CChildFrame()
{
    Detach();
}

void CChildFrame::OnCreateClient(QSize clientSize)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_Splitter = new QSplitter(Qt::Vertical, this);
    m_Splitter->setChildrenCollapsible(false);
    layout->addWidget(m_Splitter, 1);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    m_pHorizontalBar = new QScrollBar(Qt::Horizontal, this);
    bottom->addWidget(m_pHorizontalBar, 1);
    // The corner under the panes' vertical bars.
    const int corner = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bottom->addSpacing(corner);
    layout->addLayout(bottom);

    m_pGraphicsView = new CRecGraphicsView(*m_pDocument, m_Splitter);
    m_pResultView = new CRecResTextView(*m_pDocument, m_Splitter);
    m_Splitter->addWidget(m_pGraphicsView);
    m_Splitter->addWidget(m_pResultView);
    SetRowHeights(CreateRowHeight(clientSize.height()));

    for (CScrollView* pane : {static_cast<CScrollView*>(m_pGraphicsView), static_cast<CScrollView*>(m_pResultView)}) {
        connect(pane->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &CChildFrame::SyncSharedBar);
        connect(pane->horizontalScrollBar(), &QScrollBar::valueChanged, this, &CChildFrame::OnPaneBarMoved);
    }
    connect(m_pHorizontalBar, &QScrollBar::valueChanged, this, &CChildFrame::OnSharedBarMoved);
    for (CScrollView* pane : {static_cast<CScrollView*>(m_pGraphicsView), static_cast<CScrollView*>(m_pResultView)}) {
        connect(pane, &CScrollView::CellHovered, this, [this](int p) {
            MarkCell(p);
            emit CellHovered(p);
        });
        connect(pane, &CScrollView::StatusHint, this, &CChildFrame::StatusHint);
        connect(pane, &CScrollView::ZoomWheel, this,
                [this, pane](int steps, QPoint at) { ZoomAt(m_nZoom + steps, at, pane); });
    }
    connect(m_pGraphicsView, &CRecGraphicsView::PageCellHovered, this, [this](int line, int cell) {
        MarkPageCell({line, cell});
        emit PageCellHovered(line, cell);
    });
    SyncSharedBar();
    m_bSplitterPending = false;
}

void CChildFrame::SetRowHeights(int rowHeight)
{
    const int height = std::max(rowHeight, kMinRowHeight);
    m_Splitter->setSizes({height, height});
}

void CChildFrame::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSize(size());
}

void CChildFrame::OnSize(QSize clientSize)
{
    if (m_bSplitterPending || !m_Splitter)
        return;
    const QWidget* window = parentWidget() ? parentWidget() : this;
    if (window->isMinimized())
        return;
    SetRowHeights(ResizeRowHeight(clientSize.height()));
}

void CChildFrame::SyncSharedBar()
{
    if (!m_pGraphicsView || !m_pResultView)
        return;
    QScrollBar* top = m_pGraphicsView->horizontalScrollBar();
    QScrollBar* bottom = m_pResultView->horizontalScrollBar();
    const QSignalBlocker blocker(m_pHorizontalBar);
    m_pHorizontalBar->setRange(0, std::max(top->maximum(), bottom->maximum()));
    m_pHorizontalBar->setPageStep(std::max(top->pageStep(), bottom->pageStep()));
    m_pHorizontalBar->setSingleStep(std::max(top->singleStep(), bottom->singleStep()));
    m_pHorizontalBar->setEnabled(m_pHorizontalBar->maximum() > 0);
    m_pHorizontalBar->setValue(std::max(top->value(), bottom->value()));
}

void CChildFrame::OnSharedBarMoved(int value)
{
    m_bSyncingBars = true;
    m_pGraphicsView->horizontalScrollBar()->setValue(value);
    m_pResultView->horizontalScrollBar()->setValue(value);
    m_bSyncingBars = false;
}

void CChildFrame::OnPaneBarMoved(int value)
{
    // A pane scrolled sideways by itself (the wheel): the other pane and the bar follow.
    if (!m_bSyncingBars)
        m_pHorizontalBar->setValue(value);
}

void CChildFrame::InitialUpdateFrame()
{
    m_pGraphicsView->OnInitialUpdate();
    m_pResultView->OnInitialUpdate();
}

void CChildFrame::SetWindowNumber(int number)
{
    m_nWindow = number;
    UpdateFrameTitle();
}

void CChildFrame::UpdateFrameTitle()
{
    if (!m_pDocument)
        return;
    QString title = m_pDocument->Title();
    if (m_nWindow > 0)
        title += QStringLiteral(":%1").arg(m_nWindow);
    setWindowTitle(title);
    if (parentWidget())
        parentWidget()->setWindowTitle(title);
}

bool CChildFrame::CloseWindow()
{
    QWidget* window = qobject_cast<QMdiSubWindow*>(parentWidget());
    return window ? window->close() : close();
}

void CChildFrame::CloseWithoutPrompt()
{
    m_bClosePrompted = true;
    CloseWindow();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!m_pDocument) {
        event->accept();
        return;
    }
    const bool lastWindow = m_pDocument->Frames().size() <= 1;
    if (lastWindow && !m_bClosePrompted && !m_pDocument->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
    Detach();
}

void CChildFrame::Detach()
{
    if (!m_pDocument)
        return;
    CGuiDocument* document = m_pDocument;
    m_pDocument = nullptr;
    m_pGraphicsView->Detach();
    m_pResultView->Detach();
    document->App().OnFrameClosed(*document, this);
}

void CChildFrame::OnNextPane()
{
    if (m_pGraphicsView->hasFocus())
        m_pResultView->setFocus(Qt::TabFocusReason);
    else
        m_pGraphicsView->setFocus(Qt::TabFocusReason);
}

void CChildFrame::OnPrevPane()
{
    OnNextPane();  // two panes: the previous one is the next one
}

void CChildFrame::SetZoom(int zoom)
{
    ZoomAt(zoom, QPoint(m_pGraphicsView->viewport()->width() / 2, -1), nullptr);
}

// The panes zoom about the pointer in the pane it is over, otherwise about their centres;
// both share the horizontal anchor, so that they stay side by side.
void CChildFrame::ZoomAt(int zoom, QPoint anchor, const QWidget* pane)
{
    zoom = std::clamp(zoom, 1, CScrollView::kMaxZoom);
    if (zoom == m_nZoom)
        return;
    m_nZoom = zoom;
    for (CScrollView* view : {static_cast<CScrollView*>(m_pGraphicsView), static_cast<CScrollView*>(m_pResultView)}) {
        const int y = view == pane ? anchor.y() : view->viewport()->height() / 2;
        view->SetZoom(zoom, QPoint(anchor.x(), y));
    }
    SyncSharedBar();
    OnSharedBarMoved(m_pGraphicsView->horizontalScrollBar()->value());
}

void CChildFrame::OnZoomIn()
{
    SetZoom(m_nZoom + 1);
}

void CChildFrame::OnZoomOut()
{
    SetZoom(m_nZoom - 1);
}

void CChildFrame::OnActualSize()
{
    SetZoom(1);
}

void CChildFrame::OnCellGrid()
{
    m_bGrid = !m_bGrid;
    m_pGraphicsView->SetShowsGrid(m_bGrid);
    m_pResultView->SetShowsGrid(m_bGrid);
}

CommandState CChildFrame::OnUpdateZoomIn() const
{
    return {m_nZoom < CScrollView::kMaxZoom, false};
}

CommandState CChildFrame::OnUpdateZoomOut() const
{
    return {m_nZoom > 1, false};
}

CommandState CChildFrame::OnUpdateCellGrid() const
{
    return {true, m_bGrid};
}

void CChildFrame::MarkCell(int p)
{
    m_nMarkedCell = p;
    m_pGraphicsView->SetMarkedCell(p);
    m_pResultView->SetMarkedCell(p);
}

void CChildFrame::ShowCell(int p)
{
    if (!m_pDocument || p < 0 || p >= m_pDocument->Doc().m_nCells)
        return;
    const QRect cell = m_pGraphicsView->ToClient(CellRectOf(m_pDocument->Doc(), p));
    const int width = m_pGraphicsView->viewport()->width();
    // A cell out of sight comes to the middle; one in sight stays where it is.
    if (cell.left() < 0 || cell.right() >= width)
        m_pHorizontalBar->setValue(m_pHorizontalBar->value() + cell.center().x() - width / 2);
    // Zoomed in, the row of cells may lie above or below what a pane shows.
    for (CScrollView* view : {static_cast<CScrollView*>(m_pGraphicsView), static_cast<CScrollView*>(m_pResultView)}) {
        const QRect shown = view->ToClient(CellRectOf(m_pDocument->Doc(), p));
        const int height = view->viewport()->height();
        if (shown.top() < 0 || shown.bottom() >= height)
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + shown.center().y() - height / 2);
    }
    MarkCell(p);
}

double CChildFrame::FirstVisibleCell() const
{
    if (!m_pDocument)
        return 0;
    const CRecognizeDoc& doc = m_pDocument->Doc();
    const int width = doc.m_Font.CellWidth();
    if (width <= 0)
        return 0;
    const double left = static_cast<double>(m_pHorizontalBar->value()) / m_nZoom;
    return std::max(0.0, (left - doc.TextOriginX()) / width);
}

void CChildFrame::OnPageOutlines()
{
    m_bPageOutlines = !m_bPageOutlines;
    m_pGraphicsView->SetShowsPage(m_bPageOutlines);
}

CommandState CChildFrame::OnUpdatePageOutlines() const
{
    return {true, m_bPageOutlines};
}

void CChildFrame::MarkPageCell(PageCellRef ref)
{
    m_PageMark = ref;
    m_pGraphicsView->SetMarkedPageCell(ref);
}

void CChildFrame::ShowPageCell(PageCellRef ref)
{
    if (!m_pDocument)
        return;
    const CRect cell = PageCellRect(m_pDocument->Doc().Page(), ref);
    if (cell.Width() <= 0)
        return;
    const QRect shown = m_pGraphicsView->ToClient(QRect(cell.left, cell.top, cell.Width(), cell.Height()));
    const QSize client = m_pGraphicsView->viewport()->size();
    // A cell out of sight comes to the middle; one in sight stays where it is.
    if (shown.left() < 0 || shown.right() >= client.width())
        m_pHorizontalBar->setValue(m_pHorizontalBar->value() + shown.center().x() - client.width() / 2);
    QScrollBar* vertical = m_pGraphicsView->verticalScrollBar();
    if (shown.top() < 0 || shown.bottom() >= client.height())
        vertical->setValue(vertical->value() + shown.center().y() - client.height() / 2);
    MarkPageCell(ref);
}
