#pragma once

#include "CCharImageFont.h"
#include "MatchKernels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The glyphs of a font that can be compared with a cell of one size, packed for matching:
// one row of Stride() bytes per glyph, in ascending code order, each holding the glyph's bits
// (the bits past its width included) followed by zeros.
class CGlyphMatrix {
public:
    // Packs the glyphs of the codes first..last whose width and height equal the cell's;
    // clearPastWidth zeroes the bits past the width of each row, so that they never count.
    void Build(const CCharImageFont& font, int cellWidth, int cellHeight, bool clearPastWidth = false);

    int Rows() const { return static_cast<int>(m_Codes.size()); }
    std::size_t Stride() const { return m_nStride; }
    const std::uint8_t* Data() const { return m_Bits.data(); }
    const std::uint8_t* Row(int row) const { return m_Bits.data() + static_cast<std::size_t>(row) * m_nStride; }
    std::uint8_t CodeOf(int row) const { return m_Codes[row]; }

private:
    CAlignedBytes m_Bits;
    std::vector<std::uint8_t> m_Codes;
    std::size_t m_nStride = 0;  // bytes per packed row, a multiple of 64
};
