#include "CGlyphMatrix.h"

#include <algorithm>
#include <cstring>

void CGlyphMatrix::Build(const CCharImageFont& font, int cellWidth, int cellHeight, bool clearPastWidth)
{
    m_Keys.clear();
    const int bytesPerRow = cellWidth > 0 ? (cellWidth + 7) / 8 : 0;
    const std::size_t length = cellHeight > 0 ? static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(cellHeight) : 0;
    m_nStride = PackedStride(length);

    std::vector<const CCharImage*> glyphs;
    for (int code = font.First(); code <= font.Last() && code <= 255; ++code) {
        const CCharImage* glyph = font.GetCharImage(code);
        if (glyph == nullptr || glyph->m_nWidth != cellWidth || glyph->m_nHeight != cellHeight)
            continue;
        m_Keys.push_back(code);
        glyphs.push_back(glyph);
    }
    m_Bits.Resize(std::max<std::size_t>(glyphs.size() * m_nStride, 1));
    // Glyphs of a 0 x 0 cell have no bits to copy (and a null buffer memcpy must not see).
    for (std::size_t g = 0; g < glyphs.size(); ++g)
        if (const std::size_t n = std::min(length, glyphs[g]->m_Bits.size()); n != 0)
            std::memcpy(m_Bits.data() + g * m_nStride, glyphs[g]->m_Bits.data(), n);
    if (clearPastWidth && bytesPerRow > 0) {
        const std::uint8_t lastByteMask = static_cast<std::uint8_t>(0xFF << ((8 - cellWidth % 8) % 8));
        for (std::size_t g = 0; g < glyphs.size(); ++g)
            for (int y = 0; y < cellHeight; ++y)
                m_Bits.data()[g * m_nStride + static_cast<std::size_t>(y) * bytesPerRow + bytesPerRow - 1] &= lastByteMask;
    }
}

void CGlyphMatrix::Build(const GlyphSet& set, int phase)
{
    m_Keys.clear();
    const std::size_t length = set.ImageBytes();
    m_nStride = PackedStride(length);
    const int glyphs = set.Empty() || phase < 0 || phase >= set.phases ? 0 : set.Glyphs();
    m_Bits.Resize(std::max<std::size_t>(static_cast<std::size_t>(glyphs) * m_nStride, 1));
    for (int g = 0; g < glyphs; ++g) {
        m_Keys.push_back(g);
        std::memcpy(m_Bits.data() + static_cast<std::size_t>(g) * m_nStride, set.Image(phase, g), length);
    }
}
