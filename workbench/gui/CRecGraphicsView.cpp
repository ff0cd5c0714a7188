#include "CRecGraphicsView.h"

#include "CGuiDocument.h"
#include "CRecognizeDoc.h"
#include "PageOverlay.h"
#include "PaneOverlays.h"
#include "StrokeDrawing.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace {

QRect ToQRect(const CRect& r)
{
    return {r.left, r.top, r.Width(), r.Height()};
}

}  // namespace

CRecGraphicsView::CRecGraphicsView(CGuiDocument& document, QWidget* parent)
    : CScrollView(parent), m_pDocument(&document)
{
    viewport()->setAttribute(Qt::WA_StaticContents);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button only mark the cell under the pointer.
    viewport()->setMouseTracking(true);
    document.Doc().AddView(this);
}

CRecGraphicsView::~CRecGraphicsView()
{
    Detach();
}

void CRecGraphicsView::Detach()
{
    if (m_pDocument) {
        m_pDocument->Doc().RemoveView(this);
        m_pDocument = nullptr;
    }
}

void CRecGraphicsView::OnInitialUpdate()
{
    if (!m_pDocument)
        return;
    m_pDocument->Doc().EnsurePicture();
    OnUpdate(nullptr, 0);
}

void CRecGraphicsView::OnUpdate(CDocView*, long)
{
    if (!m_pDocument)
        return;
    m_crPen = 0xFFFFFF;
    SetScrollSizes(ToQRect(m_pDocument->Doc().ShownRect()).size());
    viewport()->update();
}

void CRecGraphicsView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (!m_pDocument || !m_pDocument->Doc().m_bPicturePresent) {
        painter.fillRect(viewport()->rect(), Qt::white);
        if (!m_ScreenStrokes.empty() && !m_StrokeDamage.isEmpty() && (event->region() - m_StrokeDamage).isEmpty()) {
            const QImage strokes(reinterpret_cast<const uchar*>(m_ScreenStrokes.Bits()), m_ScreenStrokes.width(),
                                 m_ScreenStrokes.height(), m_ScreenStrokes.BytesPerLine(), QImage::Format_RGB32);
            painter.drawImage(QPoint(0, 0), strokes);
        } else {
            m_ScreenStrokes = CRaster();
        }
        m_StrokeDamage = QRegion();
        return;
    }
    CRecognizeDoc& doc = m_pDocument->Doc();
    // R, or the whole picture of a document that shows it whole.
    const QRect picture = ToQRect(doc.ShownRect());
    const QRect shown = ToClient(picture);
    painter.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
    // A raster smaller than the picture rectangle leaves the rest of it white: recognition
    // reads those pixels as background.
    painter.fillRect(shown.intersected(viewport()->rect()), Qt::white);
    const CRaster& raster = doc.m_Picture;
    if (!raster.empty()) {
        const QImage image(reinterpret_cast<const uchar*>(raster.Bits()), raster.width(), raster.height(),
                           raster.BytesPerLine(), QImage::Format_RGB32);
        // Only the pixels in sight are copied, each as a zoom x zoom square.
        const QRect visible(ToLogical(QPoint(0, 0)), ToLogical(QPoint(viewport()->width(), viewport()->height())));
        const QRect source = QRect(0, 0, raster.width(), raster.height())
                                 .intersected(QRect(QPoint(0, 0), picture.size()))
                                 .intersected(visible.translated(-picture.topLeft()));
        if (!source.isEmpty())
            painter.drawImage(ToClient(source.translated(picture.topLeft())), image, source);
    }
    DrawPaneOverlays(painter, doc, *this, false);
    if (m_bShowPage && doc.HasPage()) {
        DrawPageOverlay(painter, doc.Page(), *this, m_PageMark);
        DrawProportionalOverlay(painter, doc.Proportional(), *this);
    }
}

void CRecGraphicsView::SetShowsPage(bool show)
{
    if (show == m_bShowPage)
        return;
    m_bShowPage = show;
    viewport()->update();
}

void CRecGraphicsView::SetMarkedPageCell(PageCellRef ref)
{
    if (ref == m_PageMark)
        return;
    m_PageMark = ref;
    viewport()->update();
}

bool CRecGraphicsView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave && m_PageHover.Valid()) {
        m_PageHover = {};
        emit PageCellHovered(-1, -1);
    }
    return CScrollView::viewportEvent(event);
}

QRect CRecGraphicsView::CellRect(int cell) const
{
    return m_pDocument ? ToClient(CellRectOf(m_pDocument->Doc(), cell)) : QRect();
}

void CRecGraphicsView::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(point);
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(point);
}

void CRecGraphicsView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    // The pane sees the mouse only while it is over it; Qt's implicit grab would report the
    // moves outside too.
    if (!viewport()->rect().contains(point))
        return;
    // While a stroke is drawn no outline covers the pixels under the pen.
    const bool drawing = event->buttons() & (Qt::LeftButton | Qt::RightButton);
    if (m_pDocument)
        emit CellHovered(drawing ? -1 : CellAtLogical(m_pDocument->Doc(), ToLogical(point)));
    if (m_pDocument && m_pDocument->Doc().HasPage() && m_bShowPage) {
        const QPoint logical = ToLogical(point);
        const PageCellRef hovered = drawing ? PageCellRef() : PageCellAt(m_pDocument->Doc().Page(), logical.x(), logical.y());
        if (hovered != m_PageHover) {
            m_PageHover = hovered;
            emit PageCellHovered(hovered.line, hovered.cell);
        }
    }
    OnMouseMove(event->buttons(), point);
}

void CRecGraphicsView::OnLButtonDown(QPoint point)
{
    BeginStroke(point, 0x000000);
}

void CRecGraphicsView::OnRButtonDown(QPoint point)
{
    BeginStroke(point, 0xFFFFFF);
}

// A press starts a stroke in graphics mode; outside it the program only beeps.
void CRecGraphicsView::BeginStroke(QPoint point, std::uint32_t colour)
{
    if (!m_pDocument)
        return;
    if (!m_pDocument->Doc().m_bEditGraphics) {
        m_pDocument->Doc().Messages().Beep();
        emit StatusHint(QString::fromUtf8(kDrawingOffHint));
        return;
    }
    m_ptLast = point;
    m_crPen = colour;
}

void CRecGraphicsView::OnMouseMove(Qt::MouseButtons buttons, QPoint point)
{
    if (!m_pDocument || !m_pDocument->Doc().m_bEditGraphics)
        return;
    CRecognizeDoc& doc = m_pDocument->Doc();
    // Client points map to picture pixels through the zoom; the clamp keeps the point on
    // the zoomed pixels of the picture rectangle, its right and bottom edge included.
    const QPoint scroll = ScrollPosition();
    const int zoom = Zoom();
    const CRect r = doc.ShownRect();
    const auto low = [zoom](int edge, int s) { return static_cast<int>(std::clamp<long long>(1LL * edge * zoom - s, INT_MIN, INT_MAX)); };
    const auto high = [zoom](int edge, int s) { return static_cast<int>(std::clamp<long long>(1LL * edge * zoom + zoom - 1 - s, INT_MIN, INT_MAX)); };
    point.setX(std::clamp(point.x(), low(r.left, scroll.x()), std::max(low(r.left, scroll.x()), high(std::max(r.left, r.right), scroll.x()))));
    point.setY(std::clamp(point.y(), low(r.top, scroll.y()), std::max(low(r.top, scroll.y()), high(std::max(r.top, r.bottom), scroll.y()))));
    if (!(buttons & (Qt::LeftButton | Qt::RightButton)))
        return;
    // The segment goes into the shared raster; this pane repaints only the damaged part
    // from it, the other graphics panes of the document repaint from it when updated.
    const QRect damaged = DrawStrokeSegment(doc.m_Picture, ToLogical(m_ptLast), ToLogical(point), doc.m_nLineWidth, m_crPen);
    if (doc.m_bPicturePresent) {
        viewport()->update(ToClient(damaged));
    } else {
        // The pane shows white, yet the stroke appears on it as it is drawn, at the pane's zoom.
        if (m_ScreenStrokes.width() != viewport()->width() || m_ScreenStrokes.height() != viewport()->height())
            m_ScreenStrokes.Create(viewport()->width(), viewport()->height(), CRaster::kWhite);
        const QRect onScreen = DrawStrokeSegment(m_ScreenStrokes, m_ptLast, point, doc.m_nLineWidth * zoom, m_crPen);
        m_StrokeDamage += onScreen;
        viewport()->update(onScreen);
    }
    m_ptLast = point;
    doc.OnStrokeDrawn(this);
    m_pDocument->OnChanged();
}
