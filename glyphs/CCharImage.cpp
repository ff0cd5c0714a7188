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
    for (std::int64_t py = top; py < bottom; ++py) {
        const std::uint8_t* bits = m_Bits.data() + (py - y) * m_nBytesPerRow;
        std::uint32_t* row = surface.Row(static_cast<int>(py));
        for (std::int64_t px = left; px < right; ++px) {
            const auto c = static_cast<int>(px - x);
            const bool ink = (bits[c / 8] & (0x80 >> (c % 8))) != 0;
            row[px] = 0xFF000000 | (ink ? CRaster::kBlack : CRaster::kWhite);
        }
    }
}
