#include "CCapturePass.h"

#include "CExactFont.h"
#include "GlyphRendering.h"

#include <QPainter>

#include <cmath>

namespace {

// Larger surfaces are not made; their characters sample as background.
constexpr int kMaxSurfaceSide = 4096;

} // namespace

CCapturePass::CCapturePass(const GeneratorSettings& settings)
    : m_Font(MakeFont(settings.m_Font)),
      m_Layout(settings.m_Layout),
      m_nCoverage(settings.m_nCoverage),
      m_nX(settings.m_nXOffset),
      m_nY(settings.m_nYOffset),
      m_nW(settings.m_nWidth),
      m_nH(settings.m_nHeight)
{
    if (settings.UsesExactRendering())
        m_pExact = std::make_unique<CExactFont>(settings.m_Font, settings.m_bAntialias);
    // In 64 bits: the window's edges may lie anywhere in the int range.
    long long width = Ceil8(m_nW);
    long long height = m_nH;
    if (m_Layout == CellLayout::Cell) {
        width = (static_cast<long long>(m_nW) - m_nX + 7) / 8 * 8;
        height = static_cast<long long>(m_nH) - m_nY;
    }
    if (width > 0 && height > 0 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide)
        m_Surface = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
}

CCapturePass::~CCapturePass() = default;

void CCapturePass::DrawExact(std::uint8_t code)
{
    QPointF pen;
    if (m_Layout == CellLayout::Cell) {
        // The surface's top-left pixel is the window's (X, Y) of the cell.
        pen = QPointF(-m_nX, m_pExact->Ascent() - m_nY);
    } else {
        // Centred as the plain capture centres the extent: advance by line height.
        const int advance = static_cast<int>(std::lround(m_pExact->Advance(code)));
        pen = QPointF((m_Surface.width() - advance) / 2,
                      (m_Surface.height() - m_pExact->LineHeight()) / 2 + m_pExact->Ascent());
    }
    QPainter painter(&m_Surface);
    PrepareExactPainter(painter, *m_pExact);
    m_pExact->Draw(painter, pen, code);
    painter.end();
    if (m_pExact->IsAntialiased())
        CutAtCoverage(m_Surface, m_nCoverage);
}

void CCapturePass::CaptureCell(std::uint8_t code, std::vector<std::uint8_t>& out)
{
    CInkView view;
    if (!m_Surface.isNull()) {
        m_Surface.fill(QColor(255, 255, 255));
        if (m_pExact) {
            DrawExact(code);
        } else {
            QPainter painter(&m_Surface);
            PrepareTextPainter(painter, m_Font);
            DrawCharacter(painter, m_Font, code, m_Surface.rect(), Placement::Capture);
            painter.end();
        }
        view = CInkView::FromRgb32(m_Surface.constBits(), m_Surface.width(), m_Surface.height(),
                                   m_Surface.bytesPerLine());
    }
    if (m_Layout == CellLayout::Cell) {
        const long long w = static_cast<long long>(m_nW) - m_nX;
        const long long h = static_cast<long long>(m_nH) - m_nY;
        // The surface starts at the window, so the window is sampled from its origin; a window
        // too large for a surface samples as background but keeps its record size.
        SampleCell(view, 0, 0, static_cast<int>(std::clamp(w, -8LL, 1LL << 30)),
                   static_cast<int>(std::clamp(h, -1LL, 1LL << 30)), out);
        return;
    }
    SampleCell(view, m_nX, m_nY, m_nW, m_nH, out);
}
