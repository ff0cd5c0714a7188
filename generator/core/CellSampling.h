#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A read-only view of a drawing surface. A pixel is ink exactly when it is pure black;
// pixels outside the surface read as background.
class CInkView {
public:
    CInkView() = default;
    // 32-bit pixels 0xAARRGGBB, rows bytesPerRow apart.
    static CInkView FromRgb32(const std::uint8_t* bits, int width, int height, std::ptrdiff_t bytesPerRow);
    // 1-bit pixels, the most significant bit leftmost; inkBit is the bit value of black.
    static CInkView FromMono(const std::uint8_t* bits, int width, int height, std::ptrdiff_t bytesPerRow, int inkBit);

    int width() const { return m_nWidth; }
    int height() const { return m_nHeight; }

    bool IsInk(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight)
            return false;
        const std::uint8_t* row = m_pBits + y * m_nBytesPerRow;
        if (m_nBitsPerPixel == 1)
            return ((row[x >> 3] >> (7 - (x & 7))) & 1) == m_nInkBit;
        const std::uint8_t* pixel = row + 4 * static_cast<std::ptrdiff_t>(x);
        // Little-endian 0xAARRGGBB: blue, green, red, alpha.
        return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
    }

private:
    const std::uint8_t* m_pBits = nullptr;
    int m_nWidth = 0;                   // 0 for an empty view
    int m_nHeight = 0;
    std::ptrdiff_t m_nBytesPerRow = 0;
    int m_nBitsPerPixel = 32;           // 1 or 32
    int m_nInkBit = 1;                  // 1-bit views: the value of an ink pixel
};

// Appends the glyph bits of the cell window columns X..W-1, rows Y..H-1: H-Y rows of
// (W-X+7)/8 bytes, most significant bit leftmost, 1 = ink. The last byte of a row samples
// the pixels right of column W-1 as they are. Nothing is appended when H-Y <= 0 or W-X+7 < 8.
void SampleCell(const CInkView& view, int x, int y, int w, int h, std::vector<std::uint8_t>& out);

// The smallest box that holds the ink of every measured character, as edges.
struct LayoutBox {
    int minLeft = 200;
    int minTop = 200;
    int maxRight = 0;
    int maxBottom = 0;

    int x() const { return minLeft; }
    int y() const { return minTop; }
    int w() const { return maxRight + 1; }
    int h() const { return maxBottom + 1; }
};

// Widens the box by the ink of one character drawn at the top-left of the view, whose
// extent is advance by lineHeight. The left and top scans stop at the box's current edges.
void ScanCharacterInk(const CInkView& view, int advance, int lineHeight, LayoutBox& box);
