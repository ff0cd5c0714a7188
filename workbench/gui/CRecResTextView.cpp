#include "CRecResTextView.h"

#include "CGuiDocument.h"
#include "CRecognizeDoc.h"
#include "TextCodec.h"

#include <QPainter>

CRecResTextView::CRecResTextView(CGuiDocument& document, QWidget* parent)
    : CScrollView(parent), m_pDocument(&document)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
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
    const QPoint scroll = ScrollPosition();
    painter.translate(-scroll);
    painter.fillRect(QRect(scroll, viewport()->size()).united(picture), QColor(0x80, 0x80, 0x80));
    // The part of the picture rectangle that an older, smaller raster does not cover is white.
    painter.fillRect(picture, Qt::white);
    if (!m_Bitmap.empty()) {
        const QImage image(reinterpret_cast<const uchar*>(m_Bitmap.Bits()), m_Bitmap.width(), m_Bitmap.height(),
                           m_Bitmap.BytesPerLine(), QImage::Format_RGB32);
        const QRect source = QRect(0, 0, m_Bitmap.width(), m_Bitmap.height()).intersected(QRect(QPoint(0, 0), picture.size()));
        painter.drawImage(picture.topLeft(), image, source);
    }
}
