#include "CRecResTextView.h"

#include "CGuiDocument.h"
#include "CRecognizeDoc.h"
#include "PaneOverlays.h"
#include "TextCodec.h"

#include <QMouseEvent>
#include <QPainter>

CRecResTextView::CRecResTextView(CGuiDocument& document, QWidget* parent)
    : CScrollView(parent), m_pDocument(&document)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    document.Doc().AddView(this);
}

CRecResTextView::~CRecResTextView()
{
    Detach();
}

void CRecResTextView::Detach()
{
    if (m_pDocument) {
        m_pDocument->Doc().RemoveView(this);
        m_pDocument = nullptr;
    }
}

void CRecResTextView::OnInitialUpdate()
{
    if (!m_pDocument || m_bHasMemDC)
        return;
    m_bHasMemDC = true;
    const CRecognizeDoc& doc = m_pDocument->Doc();
    doc.RenderText(m_Bitmap, doc.m_bPicturePresent ? std::string_view(doc.m_strResultText) : std::string_view());
    OnUpdate(nullptr, 0);
}

void CRecResTextView::OnUpdate(CDocView* sender, long)
{
    if (!m_pDocument || (sender && sender->IsGraphicsView()))
        return;
    CRecognizeDoc& doc = m_pDocument->Doc();
    if (doc.m_bResultChanged) {
        doc.RenderText(m_Bitmap, doc.m_strResultText);
        doc.SetModifiedFlag(true);
        doc.m_bResultPicture = 1;
        doc.m_bResultChanged = 0;
    }
    const CRect r = doc.GetPictureRect();
    SetScrollSizes(QSize(r.Width(), r.Height()));
    viewport()->update();
}

void CRecResTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_pDocument || !m_pDocument->Doc().m_bResultPicture) {
        painter.fillRect(viewport()->rect(), Qt::white);
        if (m_pDocument) {
            painter.setPen(Qt::black);
            painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine,
                             FromCp1251(m_pDocument->Doc().m_strResultText));
        }
        return;
    }
    const CRect r = m_pDocument->Doc().GetPictureRect();
    const QRect picture(r.left, r.top, r.Width(), r.Height());
    painter.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
    // The part of the picture rectangle that an older, smaller raster does not cover is white.
    painter.fillRect(ToClient(picture).intersected(viewport()->rect()), Qt::white);
    if (!m_Bitmap.empty()) {
        const QImage image(reinterpret_cast<const uchar*>(m_Bitmap.Bits()), m_Bitmap.width(), m_Bitmap.height(),
                           m_Bitmap.BytesPerLine(), QImage::Format_RGB32);
        const QRect visible(ToLogical(QPoint(0, 0)), ToLogical(QPoint(viewport()->width(), viewport()->height())));
        const QRect source = QRect(0, 0, m_Bitmap.width(), m_Bitmap.height())
                                 .intersected(QRect(QPoint(0, 0), picture.size()))
                                 .intersected(visible.translated(-picture.topLeft()));
        if (!source.isEmpty())
            painter.drawImage(ToClient(source.translated(picture.topLeft())), image, source);
    }
    DrawPaneOverlays(painter, m_pDocument->Doc(), *this, true);
}

void CRecResTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pDocument && m_pDocument->Doc().m_bResultPicture)
        emit CellHovered(CellAtLogical(m_pDocument->Doc(), ToLogical(event->position().toPoint())));
}

QRect CRecResTextView::CellRect(int cell) const
{
    return m_pDocument ? ToClient(CellRectOf(m_pDocument->Doc(), cell)) : QRect();
}
