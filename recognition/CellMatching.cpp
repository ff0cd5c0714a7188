#include "CellMatching.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>

namespace {

// GetPixel in spirit: the colour at (x, y), or the invalid colour outside the picture.
std::uint32_t PixelAt(const CRaster& picture, long long x, long long y)
{
    if (x < 0 || y < 0 || x > INT_MAX || y > INT_MAX)
        return CRaster::kInvalidColour;
    return picture.Pixel(static_cast<int>(x), static_cast<int>(y));
}

}  // namespace

int CaptureFromDC(CBitImage& image, const CRaster& picture, int left, int top, int right, int bottom)
{
    if (!image.SetSize(bottom - top, right - left))
        return 0;
    std::uint8_t* bits = image.Bits();
    for (int r = 0; r < image.Height(); ++r) {
        for (int b = 0; b < image.BytesPerRow(); ++b) {
            unsigned byte = 0;
            for (int i = 0; i < 8; ++i) {
                const long long x = static_cast<long long>(left) + 8LL * b + i;
                byte = (byte << 1) | (PixelAt(picture, x, static_cast<long long>(top) + r) == 0 ? 1U : 0U);
            }
            bits[static_cast<std::size_t>(r) * image.BytesPerRow() + b] = static_cast<std::uint8_t>(byte);
        }
    }
    return 1;
}

void CopyFromGlyph(CBitImage& image, const CCharImage* glyph)
{
    if (glyph == nullptr) {
        image.m_Bits.clear();
        image.m_nBytesPerRow = image.m_nHeight = image.m_nWidth = 0;
        return;
    }
    image.m_nWidth = glyph->m_nWidth;
    image.m_nHeight = glyph->m_nHeight;
    image.m_nBytesPerRow = glyph->m_nBytesPerRow;
    image.m_Bits = glyph->m_Bits;
}

int MatchCost(const CBitImage& a, const CBitImage& b)
{
    if (a.Height() != b.Height() || a.Width() != b.Width())
        return -1;
    const long long length = static_cast<long long>(a.BytesPerRow()) * a.Height();
    if (length <= 0)
        return 0;
    // Images whose bits are missing or short count only the bytes both hold.
    const std::size_t n = std::min({static_cast<std::size_t>(length), a.m_Bits.size(), b.m_Bits.size()});
    int cost = 0;
    for (std::size_t j = 0; j < n; ++j)
        cost += std::popcount(static_cast<unsigned>(a.m_Bits[j] ^ b.m_Bits[j]));
    return cost;
}
