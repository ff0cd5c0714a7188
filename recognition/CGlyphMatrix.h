#pragma once

#include "CCharImageFont.h"
#include "GlyphSet.h"
#include "MatchKernels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The glyphs of a font that can be compared with a cell of one size, packed for matching:
// one row of Stride() bytes per glyph, in ascending code order, each holding the glyph's bits
// (the bits past its width included) followed by zeros. Each row keeps a key: the glyph's code
// for a GLF font, its index for a glyph set.
class CGlyphMatrix {
public:
    // Packs the glyphs of the codes first..last whose width and height equal the cell's;
    // clearPastWidth zeroes the bits past the width of each row, so that they never count.
    void Build(const CCharImageFont& font, int cellWidth, int cellHeight, bool clearPastWidth = false);
    // Packs every glyph of a glyph set at one phase, in the set's order (their bits past the
    // width are 0).
    void Build(const GlyphSet& set, int phase);

    int Rows() const { return static_cast<int>(m_Keys.size()); }
    std::size_t Stride() const { return m_nStride; }
    const std::uint8_t* Data() const { return m_Bits.data(); }
    const std::uint8_t* Row(int row) const { return m_Bits.data() + static_cast<std::size_t>(row) * m_nStride; }
    std::uint8_t CodeOf(int row) const { return static_cast<std::uint8_t>(m_Keys[row]); }
    int KeyOf(int row) const { return m_Keys[row]; }

private:
    CAlignedBytes m_Bits;
    std::vector<int> m_Keys;
    std::size_t m_nStride = 0;  // bytes per packed row, a multiple of 64
};
