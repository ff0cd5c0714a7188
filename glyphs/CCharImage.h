#pragma once

#include "ByteStream.h"
#include "CRaster.h"

#include <cstdint>
#include <vector>

// One glyph of a GLF font: width x height pixels, rows from the top, (width + 7) / 8 bytes
// per row, most significant bit leftmost, 1 = ink. The bits past the width in each row's
// last byte belong to the glyph and are kept as read.
class CCharImage {
public:
    // Reads one record (width byte, height byte, bits). A width or height byte past the end
    // raises end-of-file; bits shorter than announced fail without raising it, without
    // allocating them, and leave the record empty (0 x 0, no bits).
    bool ReadRecord(CByteReader& reader);
    // Writes the record; bits that a hand-made record lacks are written as zeros, so that the
    // record always has the length its width and height announce.
    void WriteRecord(CByteWriter& writer) const;

    // Paints the glyph's width x height rectangle (ink black, background white) with its
    // top-left pixel at (x, y); the bits past the width are not drawn, nor pixels that fall
    // outside the surface.
    void DrawAt(CRaster& surface, int x, int y) const;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int BytesPerRow() const { return m_nBytesPerRow; }
    bool HasBits() const { return !m_Bits.empty(); }
    const std::uint8_t* Bits() const { return m_Bits.data(); }
    bool Pixel(int x, int y) const { return (m_Bits[y * m_nBytesPerRow + x / 8] & (0x80 >> (x % 8))) != 0; }

    std::uint8_t m_nWidth = 0;
    std::uint8_t m_nHeight = 0;
    int m_nBytesPerRow = 0;           // (width + 7) / 8
    std::vector<std::uint8_t> m_Bits; // height x bytes per row, empty when that is 0
};
