#include "CGlyphPreview.h"

#include "GeneratorSettings.h"
#include "GlyphRendering.h"

#include <QPainter>

CGlyphPreview::CGlyphPreview(const GeneratorSettings& settings, const QFont& font, QWidget* parent)
    : QWidget(parent), m_Settings(settings), m_Font(font)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void CGlyphPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area(contentsRect().topLeft(), QSize(std::max(0, m_Settings.m_nWidth), std::max(0, m_Settings.m_nHeight)));
    painter.fillRect(area, QColor(255, 255, 255));
    painter.setClipRect(area);
    PrepareTextPainter(painter, m_Font);
    DrawCharacter(painter, m_Font, m_Settings.m_nCurrentCode, area, Placement::Preview);
}
