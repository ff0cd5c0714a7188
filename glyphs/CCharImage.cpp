#include "CCharImage.h"

#include <algorithm>

bool CCharImage::ReadRecord(CByteReader& reader)
{
    std::uint8_t width = 0;
    std::uint8_t height = 0;
    if (!reader.ReadU8(width) || !reader.ReadU8(height))
        return false;
    m_nWidth = width;
    m_nHeight = height;
    m_nBytesPerRow = (width + 7) / 8;
    // At most 32 x 255 bytes: the whole block is made, zero-filled, and takes what the input
    // still holds; a short block keeps the record's size and fails the read.
    const std::size_t n = static_cast<std::size_t>(m_nBytesPerRow) * height;
    m_Bits.assign(n, 0);
    return reader.ReadBlock(m_Bits.data(), n) == n;
}

void CCharImage::WriteRecord(CByteWriter& writer) const
{
    writer.WriteU8(m_nWidth);
    writer.WriteU8(m_nHeight);
    const std::size_t n = static_cast<std::size_t>(m_nBytesPerRow) * m_nHeight;
    if (n != 0 && m_Bits.size() >= n)
        writer.WriteBlock(m_Bits.data(), n);
    else if (n != 0)
        writer.Bytes().resize(writer.Bytes().size() + n, 0);
}

void CCharImage::DrawAt(CRaster& surface, int x, int y) const
{
    const int bytesPerRow = (m_nWidth + 7) / 8;
    if (m_nWidth == 0 || m_nHeight == 0 || m_nBytesPerRow < bytesPerRow ||
        m_Bits.size() < static_cast<std::size_t>(m_nBytesPerRow) * m_nHeight)
        return;

    // Only the part of the rectangle that lies on the surface is painted; 64-bit sums keep
    // positions near the int limits from overflowing.
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + m_nWidth, surface.width());
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + m_nHeight, surface.height());
    if (left >= right || top >= bottom)
        return;
    constexpr std::uint32_t kInk = 0xFF000000 | CRaster::kBlack;
    constexpr std::uint32_t kPaper = 0xFF000000 | CRaster::kWhite;
    const auto first = static_cast<int>(left - x);
    const auto last = static_cast<int>(right - x);  // exclusive, in glyph columns
    for (std::int64_t py = top; py < bottom; ++py) {
        const std::uint8_t* bits = m_Bits.data() + (py - y) * m_nBytesPerRow;
        // out[c - first] is the pixel of glyph column c.
        std::uint32_t* const out = surface.Row(static_cast<int>(py)) + left;
        int c = first;
        // Column by column up to a byte boundary, then eight columns per glyph byte.
        for (; c < last && c % 8 != 0; ++c)
            out[c - first] = (bits[c / 8] & (0x80 >> (c % 8))) != 0 ? kInk : kPaper;
        for (; c + 8 <= last; c += 8) {
            const unsigned byte = bits[c / 8];
            for (int b = 0; b < 8; ++b)
                out[c - first + b] = (byte & (0x80u >> b)) != 0 ? kInk : kPaper;
        }
        for (; c < last; ++c)
            out[c - first] = (bits[c / 8] & (0x80 >> (c % 8))) != 0 ? kInk : kPaper;
    }
}
