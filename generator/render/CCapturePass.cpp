#include "CCapturePass.h"

#include "GlyphRendering.h"

#include <QPainter>

namespace {

// Larger surfaces are not made; their characters sample as background.
constexpr int kMaxSurfaceSide = 4096;

} // namespace

CCapturePass::CCapturePass(const GeneratorSettings& settings)
    : m_Font(MakeFont(settings.m_Font)),
      m_nX(settings.m_nXOffset),
      m_nY(settings.m_nYOffset),
      m_nW(settings.m_nWidth),
      m_nH(settings.m_nHeight)
{
    const int width = Ceil8(m_nW);
    if (width > 0 && m_nH > 0 && width <= kMaxSurfaceSide && m_nH <= kMaxSurfaceSide)
        m_Surface = QImage(width, m_nH, QImage::Format_RGB32);
}

void CCapturePass::CaptureCell(std::uint8_t code, std::vector<std::uint8_t>& out)
{
    CInkView view;
    if (!m_Surface.isNull()) {
        m_Surface.fill(QColor(255, 255, 255));
        QPainter painter(&m_Surface);
        PrepareTextPainter(painter, m_Font);
        DrawCharacter(painter, m_Font, code, m_Surface.rect(), Placement::Capture);
        painter.end();
        view = CInkView::FromRgb32(m_Surface.constBits(), m_Surface.width(), m_Surface.height(),
                                   m_Surface.bytesPerLine());
    }
    SampleCell(view, m_nX, m_nY, m_nW, m_nH, out);
}
