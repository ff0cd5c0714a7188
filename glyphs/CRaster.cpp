#include "CRaster.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000;

}  // namespace

bool CRaster::SizeAllowed(std::int64_t width, std::int64_t height)
{
    // Bounding each side first keeps the product from overflowing and BytesPerLine() in range.
    if (width < 0 || height < 0 || width > kMaxPixels || height > kMaxPixels)
        return false;
    return width * height <= kMaxPixels;
}

bool CRaster::Create(int width, int height, std::uint32_t colour)
{
    // A raster of the same size keeps its memory: filling it costs no page faults.
    if (width == m_nWidth && height == m_nHeight && width > 0 && height > 0) {
        std::fill(m_Pixels.begin(), m_Pixels.end(), kOpaque | colour);
        return true;
    }
    m_Pixels.clear();
    m_Pixels.shrink_to_fit();
    m_nWidth = 0;
    m_nHeight = 0;
    if (!SizeAllowed(width, height))
        return false;
    try {
        m_Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kOpaque | colour);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_nWidth = width;
    m_nHeight = height;
    return true;
}

std::uint32_t CRaster::Pixel(int x, int y) const
{
    return Contains(x, y) ? Row(y)[x] & 0xFFFFFF : kInvalidColour;
}

void CRaster::SetPixel(int x, int y, std::uint32_t colour)
{
    if (Contains(x, y))
        Row(y)[x] = kOpaque | colour;
}

void CRaster::FillRect(int left, int top, int right, int bottom, std::uint32_t colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_nWidth);
    bottom = std::min(bottom, m_nHeight);
    for (int y = top; y < bottom; ++y) {
        if (left < right)
            std::fill(Row(y) + left, Row(y) + right, kOpaque | colour);
    }
}

void CRaster::Fill(std::uint32_t colour)
{
    std::fill(m_Pixels.begin(), m_Pixels.end(), kOpaque | colour);
}
