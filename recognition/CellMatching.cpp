#include "CellMatching.h"

#include "MatchKernels.h"

#include <algorithm>
#include <bit>
#include <cstddef>

int CaptureFromDC(CBitImage& image, const CRaster& picture, int left, int top, int right, int bottom)
{
    if (!image.SetSize(bottom - top, right - left))
        return 0;
    // The kernels sample exactly as GetPixel one pixel at a time would, only faster.
    CaptureCellBits(FastestMatchPath(), picture, left, top, image.Width(), image.Height(), image.Bits(),
                    image.m_Bits.size());
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
